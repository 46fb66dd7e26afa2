// The player's game library: the saved games (gList.dat, grouped by
// category) and the recently played ones (Recents.dat, most recent first).
//
// In memory every text is UTF-8. On disk both files are ANSI-code-page text
// with CR LF lines, one block per entry:
//   #BEGIN# / #FOLDER#<category> (gList.dat only) / #NAME#<name> /
//   #ADDRESS#<address> / #Bill#<bill> / [#PROXY#<proxy>] / [#COLOR#...] /
//   #END#
// (#PROXY#, the proxy the game's page goes through, only when it has one:
// older readers pass over lines they do not know inside a block, and a list
// without proxies is written as before.)
// Reading trims each line, stops at the first blank line, matches the field
// markers without regard to case (so a field given twice is concatenated),
// needs "#BEGIN#" and "#END#" exactly, drops blocks without their end and
// passes over any other line inside a block.
//
// Optional fields of a saved game follow the bill, each written only when it
// is set, so a list without them is written byte for byte as older versions
// wrote it, and older versions, which pass over unknown lines, still read the
// rest: "#COLOR#RRGGBB" (the tab colour).
//
// Beyond the old format, and never produced by it:
//   - a value holding a line break is written with the escape described in
//     game_list.cpp, so it stays on one line;
//   - a bill is written protected for the current user (the protector passed
//     in; the Windows data-protection API in the program) behind a marker; a
//     plain bill of an older file still loads.
// A protected bill is opened only when it is asked for (BillOf): opening one
// costs the system a noticeable moment, and a list holds thousands of them.
// Until then the entry keeps it as stored, and a bill nobody changed is
// written back exactly so, even one that cannot be opened here.
// Saving writes a temporary file beside the target and replaces the target
// in one step, so a failed save leaves the old file as it was.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// Bill: the plain bill. Read it through BillOf: after loading, a protected
// bill is empty here until BillOf has opened it. To change a bill, assign
// Bill; the next save protects the new one. (To clear a protected bill, open
// it first: an unopened one left empty keeps its stored form.)
// StoredBill, OpenedBill: the library's record of the protected bill (the
// field's text as in the file, marker and all) and, once it has been opened
// or made, of the plain bill it stands for. Leave them alone.
struct TGameline {
    std::string Folder;  // category
    std::string Name;
    std::string Address;
    std::string Bill;
    std::string Proxy;  // "host:port" or "socks=host:port" (protocol/proxy.h); "" for none
    std::string StoredBill;
    std::optional<std::string> OpenedBill;
    // Optional fields (see above): "" when not set.
    std::string Colour;  // the tab colour, "RRGGBB" (upper-case hex)
};

// The tab colours a saved game can be given; the first is "none".
struct GameColour {
    const char* name;
    const char* hex;  // "" for none
};
inline constexpr GameColour kGameColours[] = {
    {"无", ""},       {"红", "E53935"}, {"橙", "FB8C00"}, {"黄", "FDD835"},
    {"绿", "43A047"}, {"青", "00ACC1"}, {"蓝", "1E88E5"}, {"紫", "8E24AA"},
};
// A colour as stored: six hex digits, upper case; "" for anything else.
std::string NormaliseColour(std::string_view text);

struct TRecentline {
    std::string Name;
    std::string Address;
    std::string Bill;
    std::string Proxy;
    std::string StoredBill;
    std::optional<std::string> OpenedBill;
};

// Entries are owned by their list; tree nodes point at them, so an entry
// keeps its address until it is removed.
using GameLines = std::vector<std::unique_ptr<TGameline>>;
using RecentLines = std::vector<std::unique_ptr<TRecentline>>;

// Turns a bill into the protected form kept on disk and back. `unprotect`
// answers nullopt when the data cannot be opened (another user's, damaged);
// BillOf then gives an empty bill, while the entry keeps the stored one.
struct BillProtector {
    std::function<std::optional<std::string>(std::string_view plain)> protect;
    std::function<std::optional<std::string>(std::string_view stored)> unprotect;
};

// File text <-> lists. The text is the file's bytes (ANSI code page); the
// conversion to and from UTF-8 happens here. A null protector (empty
// functions) writes new bills plain and opens no protected bill.
// Parsing leaves protected bills closed (it uses the protector only for a
// bill split over several lines, which this program never writes). Formatting
// writes an unchanged bill as stored, protects the others and records in the
// entry what it wrote.
GameLines ParseGameList(std::string_view fileBytes, const BillProtector& protector = {});
RecentLines ParseRecentList(std::string_view fileBytes, const BillProtector& protector = {});
std::string FormatGameList(const GameLines& games, const BillProtector& protector = {});
std::string FormatRecentList(const RecentLines& recents, const BillProtector& protector = {});

// The entry's plain bill; a protected one is opened on the first call and
// kept in Bill ("" when it cannot be opened).
const std::string& BillOf(TGameline& game, const BillProtector& protector);
const std::string& BillOf(TRecentline& recent, const BillProtector& protector);

// The shell's two lists with their files. Every change saves its list.
class GameLibrary {
  public:
    // `folder`: the UserData folder (with trailing separator) holding
    // gList.dat and Recents.dat.
    explicit GameLibrary(std::string folder, BillProtector protector = {});

    const std::string& folder() const { return folder_; }
    std::string gameListPath() const;    // folder + "gList.dat"
    std::string recentListPath() const;  // folder + "Recents.dat"

    // LoadRecentList, LoadGameList: a missing or unreadable file gives an
    // empty list. A file that exists but cannot be read is not overwritten
    // by the next save: it is first renamed to "<name>.unreadable" (the save
    // fails when even that is impossible). Temporary files of a save cut
    // short are removed.
    void Load();
    bool SaveGameList() const;
    bool SaveRecentList() const;

    const GameLines& games() const { return games_; }
    const RecentLines& recents() const { return recents_; }

    // The plain bill of an entry; read bills only through these (see
    // TGameline). The first call for a protected bill opens it.
    const std::string& BillOf(TGameline& game) const { return lumo::BillOf(game, protector_); }
    const std::string& BillOf(TRecentline& recent) const {
        return lumo::BillOf(recent, protector_);
    }

    // AddRecentGame: removes the first entry with the same trimmed name and
    // trimmed address, puts a new one (trimmed name and address, the bill
    // unchanged) at the front, saves. Returns the new entry. `bill` is a
    // plain bill: take an entry's through BillOf.
    TRecentline* AddRecentGame(std::string_view name, std::string_view address,
                               std::string_view bill, std::string_view proxy = {});
    // AddGame's list half: appends (category, name and address trimmed, the
    // bill unchanged, the proxy as given: check it first) and saves.
    // Returns the new entry.
    TGameline* AddGame(std::string_view category, std::string_view name, std::string_view bill,
                       std::string_view address, std::string_view proxy = {},
                       std::string_view colour = {});
    // The game's proxy becomes `proxy` ("" for none; check it first) when
    // the game is still in the list; saves. False when it is not.
    bool SetProxy(const TGameline* game, std::string_view proxy);
    // Removes every game whose trimmed category equals `category` (the
    // category node's text), and those whose category is exactly that text
    // (a name with leading blanks from an older file); saves.
    void RemoveCategory(std::string_view category);
    // Remove one entry if it is in the list (nothing otherwise); saves.
    void RemoveGame(const TGameline* game);
    void RemoveRecent(const TRecentline* recent);
    // RenameGame's list half: when `game` is in the list its name becomes
    // `name` as typed; saves. False when it is not in the list.
    bool RenameGame(const TGameline* game, std::string_view name);
    // The game's tab colour (normalised; "" for none); saves. False when it
    // is not in the list.
    bool SetGameColour(const TGameline* game, std::string_view colour);
    // The first game of `category` (trimmed, as RemoveCategory matches) named
    // `name`; null when there is none.
    TGameline* FindGame(std::string_view category, std::string_view name) const;
    bool Contains(const TGameline* game) const;
    bool Contains(const TRecentline* recent) const;

  private:
    std::string folder_;
    BillProtector protector_;
    GameLines games_;
    RecentLines recents_;
    mutable bool gamesUnreadable_ = false, recentsUnreadable_ = false;
};

}  // namespace lumo
