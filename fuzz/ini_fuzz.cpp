// INI text as the program reads it (Config.ini, the server's version file).
// Input: the text. Reading must agree with itself (every listed key is
// found), writing must be stable (a saved text reads and saves the same),
// and a value set is read back as set, leaving every other value alone.
#include <map>

#include "common/ini.h"
#include "common/text.h"
#include "fuzz/fuzz_check.h"

using namespace lumo;

namespace {

using Values = std::map<std::pair<std::string, std::string>, std::optional<std::string>>;

// Each lookup scans the text, so checking every key is quadratic in the
// text's length. Texts up to this size (any real file) get every check; a
// longer one has each key looked up once and the rest of the checks below,
// without the key-by-key comparisons of its saved and changed forms.
constexpr std::size_t kEveryCheckUpTo = 1024;

// Every (section, key) the text lists, with its value; with `everyReader`
// (once per input) also what the other readers give for each key.
Values AllValues(const IniDoc& doc, bool everyReader = false) {
    Values values;
    for (const std::string& section : doc.Sections()) {
        for (const std::string& key : doc.Keys(section)) {
            std::optional<std::string> value = doc.Find(section, key);
            FUZZ_CHECK(value.has_value());
            if (everyReader) {
                FUZZ_CHECK(doc.Get(section, key, "default") == *value);
                (void)doc.GetInt(section, key, 7);
            }
            values[{AsciiLower(section), AsciiLower(key)}] = std::move(value);
        }
    }
    return values;
}

// A name the program could use: no line breaks or other control bytes, and
// none of the characters that give a line another meaning.
bool UsableName(std::string_view name) {
    name = TrimView(name);
    if (name.empty() || name[0] == '[' || name[0] == ';')
        return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '=' || c == ']')
            return false;
    }
    return true;
}

// What Find gives after Set(value): line breaks blanked, trimmed, one pair
// of matching quotes removed.
std::string AsRead(std::string_view value) {
    std::string clean(value);
    for (char& c : clean) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    std::string_view v = TrimView(clean);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::AsText(data, size);
    IniDoc doc = IniDoc::Parse(text);
    const bool everyCheck = size <= kEveryCheckUpTo;
    const Values before = AllValues(doc, everyCheck);
    const std::string saved = doc.Serialize();
    FUZZ_CHECK(IniDoc::Parse(saved).Serialize() == saved);
    if (everyCheck)
        FUZZ_CHECK(AllValues(IniDoc::Parse(saved)) == before);

    // Set a key named by the text's own last line (or a fixed one) in the
    // first section (or a new one) to the value of its first line.
    const std::vector<std::string> lines = fuzz::Split(text, '\n');
    const std::vector<std::string> sections = doc.Sections();
    std::string section = sections.empty() ? "Client" : sections.front();
    std::string key = Trim(lines.back());
    if (!UsableName(key))
        key = "ClientId";
    if (!UsableName(section))
        return 0;
    const std::string value = lines.front();
    doc.Set(section, key, value);
    FUZZ_CHECK(doc.Find(section, key) == AsRead(value));
    if (everyCheck) {
        Values after = AllValues(doc);
        after.erase({AsciiLower(Trim(section)), AsciiLower(key)});
        Values expected = before;
        expected.erase({AsciiLower(Trim(section)), AsciiLower(key)});
        FUZZ_CHECK(after == expected);
    }
    const IniDoc reread = IniDoc::Parse(doc.Serialize());
    FUZZ_CHECK(reread.Find(section, key) == AsRead(value));

    doc.RemoveKey(section, key);
    (void)doc.Serialize();
    return 0;
}
