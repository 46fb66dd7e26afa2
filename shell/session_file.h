// The open tabs of a run, kept in UserData\Session.dat so the next start can
// offer them again: per tab, in tab order, the saved game it was opened from
// (category and name) and its address.
//
// The file is UTF-8 text with CR LF lines:
//   LUMO-SESSION 1
//   TAB <category> <name> <address>      (fields separated by one TAB byte)
//   ...
//   END <number of TAB lines>
// Each field is written with '%', TAB, every byte below 0x20 and 0x7F as
// "%XX" (hex), so a field never breaks its line. The END line makes a file
// cut short recognisable; anything that does not read exactly so is damaged
// as a whole (the caller sets it aside), never half read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

inline constexpr char kSessionFileName[] = "Session.dat";
// More tabs than any shell can hold (the page limit is 64): a file claiming
// more is damaged.
inline constexpr size_t kMaxSessionTabs = 256;

struct SessionTab {
    std::string category;  // a saved game's category and name; both "" for
    std::string name;      // a tab that shows an address only
    std::string address;
    bool savedGame() const { return !name.empty(); }
    bool operator==(const SessionTab&) const = default;
};

std::string FormatSession(const std::vector<SessionTab>& tabs);
// nullopt when the text is not a whole session file.
std::optional<std::vector<SessionTab>> ParseSession(std::string_view text);

// The tabs in the session file at `path`; none when there is no file. A
// file that cannot be read or is damaged is renamed out of the way (to
// "<path>.bad", or ".bad2" and on when that is taken), never in the way of a
// start, and reads as none; `setAside` (if given) tells whether that
// happened. Temporary files of a write cut short are removed.
std::vector<SessionTab> LoadSessionFile(const std::string& path, bool* setAside = nullptr);

}  // namespace lumo
