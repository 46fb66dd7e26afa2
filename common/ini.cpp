#include "common/ini.h"

#include <cstdint>

#include "common/file.h"
#include "common/text.h"

namespace lumo {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// What one line of the text is, for lookups.
struct LineInfo {
    enum Kind { kOther, kSection, kKey } kind = kOther;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed (quotes still on)
};

LineInfo Classify(std::string_view line) {
    LineInfo info;
    const std::string_view t = TrimView(line);
    if (t.empty() || t[0] == ';')
        return info;
    if (t[0] == '[') {
        const size_t close = t.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            info.kind = LineInfo::kSection;
            info.name = TrimView(t.substr(1, close - 1));
            return info;
        }
        // No closing bracket: read like any other line.
    }
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return info;  // a key without value
    info.name = TrimView(t.substr(0, eq));
    if (info.name.empty())
        return info;
    info.kind = LineInfo::kKey;
    info.value = TrimView(t.substr(eq + 1));
    return info;
}

std::string StripQuotes(std::string_view value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// Index of the header line of the first section named `section`, or npos.
size_t FindSection(const std::vector<std::string>& lines, std::string_view section) {
    if (section.empty())
        return std::string::npos;  // "[]" is never found
    for (size_t i = 0; i < lines.size(); ++i) {
        const LineInfo info = Classify(lines[i]);
        if (info.kind == LineInfo::kSection && EqualsNoCase(info.name, section))
            return i;
    }
    return std::string::npos;
}

// One past the last line of the section whose header is at `header`.
size_t SectionEnd(const std::vector<std::string>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && Classify(lines[i]).kind != LineInfo::kSection) ++i;
    return i;
}

// Index of the first line of key `key` in the section at `header`, or npos.
size_t FindKey(const std::vector<std::string>& lines, size_t header, std::string_view key) {
    const size_t end = SectionEnd(lines, header);
    for (size_t i = header + 1; i < end; ++i) {
        const LineInfo info = Classify(lines[i]);
        if (info.kind == LineInfo::kKey && EqualsNoCase(info.name, key))
            return i;
    }
    return std::string::npos;
}

// The leading number of a value, read as the system's string-to-integer
// routine does: blanks, a sign, a base prefix, then digits of that base up to
// the first other character; wraps around on overflow.
int ParseLeadingInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    bool minus = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        minus = s[i++] == '-';
    uint32_t base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
        if (s[i + 1] == 'x')
            base = 16;
        if (s[i + 1] == 'o')
            base = 8;
        if (s[i + 1] == 'b')
            base = 2;
        if (base != 10)
            i += 2;
    }
    uint32_t total = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'z') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'Z') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base)
            break;
        total = total * base + digit;
    }
    if (minus)
        total = 0u - total;
    return static_cast<int>(total);
}

}  // namespace

IniDoc IniDoc::Parse(std::string_view text) {
    IniDoc doc;
    if (text.substr(0, kBom.size()) == kBom) {
        doc.bom_ = true;
        text.remove_prefix(kBom.size());
    }
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        doc.lines_.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        doc.lines_.emplace_back(text.substr(start));
    return doc;
}

std::optional<std::string> IniDoc::Find(std::string_view section, std::string_view key) const {
    const size_t header = FindSection(lines_, TrimView(section));
    if (header == std::string::npos)
        return std::nullopt;
    const size_t line = FindKey(lines_, header, TrimView(key));
    if (line == std::string::npos)
        return std::nullopt;
    return StripQuotes(Classify(lines_[line]).value);
}

std::string IniDoc::Get(std::string_view section, std::string_view key,
                        std::string_view def) const {
    if (auto value = Find(section, key))
        return *std::move(value);
    while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
    return std::string(def);
}

int IniDoc::GetInt(std::string_view section, std::string_view key, int def) const {
    const std::optional<std::string> value = Find(section, key);
    if (!value || value->empty())
        return def;
    return ParseLeadingInt(*value);
}

void IniDoc::Set(std::string_view section, std::string_view key, std::string_view value) {
    section = TrimView(section);
    key = TrimView(key);
    if (section.empty() || key.empty())
        return;
    std::string clean(value);
    for (char& c : clean) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }

    const size_t header = FindSection(lines_, section);
    if (header == std::string::npos) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::string(key) + "=" + clean);
        return;
    }
    const size_t line = FindKey(lines_, header, key);
    if (line != std::string::npos) {
        // Keep the key's spelling as the file has it.
        lines_[line] = std::string(Classify(lines_[line]).name) + "=" + clean;
        return;
    }
    size_t at = SectionEnd(lines_, header);
    while (at > header + 1 && TrimView(lines_[at - 1]).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(key) + "=" + clean);
}

void IniDoc::RemoveKey(std::string_view section, std::string_view key) {
    const size_t header = FindSection(lines_, TrimView(section));
    if (header == std::string::npos)
        return;
    const size_t line = FindKey(lines_, header, TrimView(key));
    if (line != std::string::npos)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line));
}

std::vector<std::string> IniDoc::Sections() const {
    std::vector<std::string> names;
    for (const std::string& line : lines_) {
        const LineInfo info = Classify(line);
        if (info.kind != LineInfo::kSection || info.name.empty())
            continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || EqualsNoCase(n, info.name);
        if (!seen)
            names.emplace_back(info.name);
    }
    return names;
}

std::vector<std::string> IniDoc::Keys(std::string_view section) const {
    std::vector<std::string> names;
    const size_t header = FindSection(lines_, TrimView(section));
    if (header == std::string::npos)
        return names;
    const size_t end = SectionEnd(lines_, header);
    for (size_t i = header + 1; i < end; ++i) {
        const LineInfo info = Classify(lines_[i]);
        if (info.kind != LineInfo::kKey)
            continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || EqualsNoCase(n, info.name);
        if (!seen)
            names.emplace_back(info.name);
    }
    return names;
}

std::string IniDoc::Serialize() const {
    std::string out = bom_ ? std::string(kBom) : std::string();
    for (const std::string& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

IniDoc LoadIniFile(const std::string& path) {
    const std::optional<std::string> bytes = ReadFileBytes(path);
    return bytes ? IniDoc::Parse(*bytes) : IniDoc();
}

bool SaveIniFile(const std::string& path, const IniDoc& doc) {
    return WriteFileBytes(path, doc.Serialize());
}

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view def) {
    return LoadIniFile(path).Get(section, key, def);
}

bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
    IniDoc doc = LoadIniFile(path);
    doc.Set(section, key, value);
    return SaveIniFile(path, doc);
}

}  // namespace lumo
