// Session.dat: writing and strictly reading the open tabs.
#include "shell/session_file.h"

#include <charconv>

#include "common/file.h"

namespace lumo {

namespace {

constexpr std::string_view kHeader = "LUMO-SESSION 1";
constexpr std::string_view kTab = "TAB";
constexpr std::string_view kEnd = "END ";
constexpr std::string_view kLineEnd = "\r\n";

std::string Escape(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || c == '%') {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

int Hex(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Strict: a '%' without two hex digits, or a byte that should have been
// escaped, makes the field (and the file) damaged.
std::optional<std::string> Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F)
            return std::nullopt;
        if (c != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size())
            return std::nullopt;
        const int hi = Hex(s[i + 1]), lo = Hex(s[i + 2]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi << 4 | lo);
        i += 2;
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view s, char by) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = s.find(by);
        parts.push_back(s.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        s.remove_prefix(at + 1);
    }
}

}  // namespace

std::string FormatSession(const std::vector<SessionTab>& tabs) {
    std::string out(kHeader);
    out += kLineEnd;
    for (const SessionTab& t : tabs) {
        out += kTab;
        for (const std::string* field : {&t.category, &t.name, &t.address}) {
            out += '\t';
            out += Escape(*field);
        }
        out += kLineEnd;
    }
    out += kEnd;
    out += std::to_string(tabs.size());
    out += kLineEnd;
    return out;
}

std::optional<std::vector<SessionTab>> ParseSession(std::string_view text) {
    // Every line ends with CR LF, the last one too.
    if (!text.ends_with(kLineEnd))
        return std::nullopt;
    text.remove_suffix(kLineEnd.size());
    std::vector<std::string_view> lines = Split(text, '\n');
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].ends_with('\r'))
            return std::nullopt;
        lines[i].remove_suffix(1);
    }
    if (lines.size() < 2 || lines.front() != kHeader || !lines.back().starts_with(kEnd))
        return std::nullopt;
    const std::string_view count = lines.back().substr(kEnd.size());
    size_t n = 0;
    auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), n);
    if (error != std::errc() || end != count.data() + count.size() || count.empty() ||
        n != lines.size() - 2 || n > kMaxSessionTabs)
        return std::nullopt;
    std::vector<SessionTab> tabs;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::vector<std::string_view> fields = Split(lines[i], '\t');
        if (fields.size() != 4 || fields[0] != kTab)
            return std::nullopt;
        auto category = Unescape(fields[1]), name = Unescape(fields[2]),
             address = Unescape(fields[3]);
        if (!category || !name || !address)
            return std::nullopt;
        tabs.push_back({std::move(*category), std::move(*name), std::move(*address)});
    }
    return tabs;
}

std::vector<SessionTab> LoadSessionFile(const std::string& path, bool* setAside) {
    if (setAside)
        *setAside = false;
    RemoveStaleTempFiles(path);
    if (!FileExists(path))
        return {};
    if (std::optional<std::string> text = ReadFileBytes(path))
        if (std::optional<std::vector<SessionTab>> tabs = ParseSession(*text))
            return std::move(*tabs);
    for (int n = 1; n < 100; ++n) {
        const std::string aside = path + ".bad" + (n > 1 ? std::to_string(n) : "");
        if (!FileExists(aside) && !FolderExists(aside) && RenameFile(path, aside)) {
            if (setAside)
                *setAside = true;
            break;
        }
    }
    return {};
}

}  // namespace lumo
