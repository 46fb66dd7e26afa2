// INI text as the private-profile functions read and write it: sections and
// keys matched without regard to ASCII letter case, the first of duplicate
// sections/keys wins, blanks around names and values trimmed, one pair of
// matching quotes around a value removed, ';' lines are comments. Writing a
// key keeps every other line of the text as it was. The text is bytes; its
// encoding (ANSI for the files of this program) is the caller's matter.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

class IniDoc {
  public:
    IniDoc() = default;
    static IniDoc Parse(std::string_view text);

    // Value of section/key, or `def` (trailing blanks removed, as the
    // private-profile reader does) when the section or key is missing.
    std::string Get(std::string_view section, std::string_view key,
                    std::string_view def = {}) const;
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // As the private-profile reader: `def` when the key is missing or its
    // value empty, else the leading number of the value (optional sign,
    // "0x"/"0o"/"0b" prefixes; 0 when the value does not start with one).
    int GetInt(std::string_view section, std::string_view key, int def) const;

    // Sets section/key, adding the section at the end and the key at the end
    // of its section when missing. Line breaks in `value` become blanks; an
    // empty section or key name is ignored.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    void RemoveKey(std::string_view section, std::string_view key);

    std::vector<std::string> Sections() const;
    std::vector<std::string> Keys(std::string_view section) const;

    // The text with CRLF line ends.
    std::string Serialize() const;

  private:
    std::vector<std::string> lines_;  // the text's lines, without line ends
    bool bom_ = false;                // the text began with a UTF-8 BOM (kept)
};

// Whole-file helpers; paths are UTF-8. A missing or unreadable file loads as
// an empty document. Saving writes a temporary file and renames it over.
IniDoc LoadIniFile(const std::string& path);
bool SaveIniFile(const std::string& path, const IniDoc& doc);

// Private-profile style one-shot access to a file.
std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view def = {});
bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);

}  // namespace lumo
