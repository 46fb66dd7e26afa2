#include "shell/cookie_journal.h"

#include <charconv>

namespace lumo {

namespace {
constexpr std::string_view kMagic = "LumoCookieJournal 1\n";

bool TakeLine(std::string_view& text, std::string_view& line) {
    size_t nl = text.find('\n');
    if (nl == std::string_view::npos)
        return false;
    line = text.substr(0, nl);
    text.remove_prefix(nl + 1);
    return true;
}
}  // namespace

std::string EncodeCookieJournal(const CookieJournal& j) {
    return std::string(kMagic) + (j.hadValue ? "1" : "0") + "\n" + std::to_string(j.type) + "\n" +
           j.value;
}

std::optional<CookieJournal> DecodeCookieJournal(std::string_view text) {
    if (text.substr(0, kMagic.size()) != kMagic)
        return std::nullopt;
    text.remove_prefix(kMagic.size());
    std::string_view had, type;
    if (!TakeLine(text, had) || !TakeLine(text, type) || (had != "0" && had != "1"))
        return std::nullopt;
    CookieJournal j;
    j.hadValue = had == "1";
    auto [end, ec] = std::from_chars(type.data(), type.data() + type.size(), j.type);
    if (ec != std::errc() || end != type.data() + type.size())
        return std::nullopt;
    j.value = std::string(text);
    return j;
}

std::string CookieJournalPath(const std::string& programFolder) {
    return programFolder + "cookies.journal";
}

}  // namespace lumo
