// The journal of the per-user "Cookies" value: written before the value is
// pointed at a page's folder and removed once it is back, so a shell that
// dies in between leaves the original behind for the next start to restore.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

struct CookieJournal {
    bool hadValue = false;  // false: the value did not exist (remove it)
    uint32_t type = 0;      // registry value type (REG_SZ / REG_EXPAND_SZ)
    std::string value;      // UTF-8
};

// "LumoCookieJournal 1\n<had 0|1>\n<type>\n<value bytes>"; the value is the
// rest of the text, so any character survives.
std::string EncodeCookieJournal(const CookieJournal& j);
std::optional<CookieJournal> DecodeCookieJournal(std::string_view text);

// The journal file of a program folder.
std::string CookieJournalPath(const std::string& programFolder);

}  // namespace lumo
