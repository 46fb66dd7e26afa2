// gList.dat and Recents.dat.
//
// Two additions to the old format, both behind markers that files of older
// versions never contain, so those files read exactly as before:
//
// 1. Escaped values. A value that cannot stand on one line as it is - one
//    holding CR or LF, one whose characters the ANSI code page cannot hold
//    (they would turn into '?'), or one that itself begins with one of our
//    markers - is written as
//        "=?lumo-esc?" + its UTF-8 bytes, where '%', every byte up to 0x20,
//        0x7F and every byte from 0x80 on are written as "%XX" (hex).
//    The line is then plain ASCII, survives the whole-line trim and the code
//    page, and holds no blank line. Older files would need a value that
//    begins with "=?lumo-esc?" to be misread, which no title, address or
//    saved form produces in practice. Ordinary values stay as they were.
//
// 2. Protected bills. A bill (it holds the player's password) is written as
//        "LUMODPAPI1:" + base64 of what BillProtector::protect made of it.
//    Reading keeps such a bill as it stands (TGameline::StoredBill); BillOf
//    hands it to BillProtector::unprotect when the bill is first wanted, and
//    saving writes it back unchanged unless the plain bill was changed since.
//    One that cannot be opened reads as empty but is still written back. A
//    bill without the marker is an older, plain one and loads as it is; the
//    next save protects it.
//
// A field given twice in one block is concatenated value by value, so each
// line is decoded on its own.
#include "library/game_list.h"

#include <algorithm>

#include "common/base64.h"
#include "common/file.h"
#include "common/text.h"

namespace lumo {

namespace {

constexpr std::string_view kEscaped = "=?lumo-esc?";
constexpr std::string_view kProtected = "LUMODPAPI1:";

constexpr std::string_view kBegin = "#BEGIN#";
constexpr std::string_view kEnd = "#END#";
constexpr std::string_view kFolder = "#FOLDER#";
constexpr std::string_view kName = "#NAME#";
constexpr std::string_view kAddress = "#ADDRESS#";
constexpr std::string_view kBill = "#Bill#";
constexpr std::string_view kProxy = "#PROXY#";
constexpr std::string_view kLineEnd = "\r\n";

// The optional fields of a saved game, in the order they are written after
// the bill. Each is read through its normaliser (a value it rejects reads
// as not set) and written only when set.
struct OptionalField {
    std::string_view marker;
    std::string TGameline::*member;
    std::string (*normalise)(std::string_view);
};
const OptionalField kOptionalFields[] = {
    {"#COLOR#", &TGameline::Colour, NormaliseColour},
};
constexpr size_t kOptionalFieldCount = std::size(kOptionalFields);

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
}

std::string FromAnsi(std::string_view ansi) {
    return IsAscii(ansi) ? std::string(ansi) : AnsiToUtf8(ansi);
}

bool MustEscapeByte(unsigned char c) {
    return c <= 0x20 || c == '%' || c >= 0x7F;
}

std::string Escape(std::string_view utf8) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out(kEscaped);
    out.reserve(kEscaped.size() + utf8.size() * 3);
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (MustEscapeByte(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The text behind kEscaped; a '%' without two hex digits stays as it is.
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi << 4 | lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// How a value goes on its line: the file's code page where that keeps it
// whole, the escape otherwise.
std::string EncodeValue(std::string_view utf8) {
    const bool breaks = utf8.find_first_of("\r\n") != std::string_view::npos;
    if (!breaks && !utf8.starts_with(kEscaped) && !utf8.starts_with(kProtected)) {
        if (IsAscii(utf8))
            return std::string(utf8);
        std::string ansi = Utf8ToAnsi(utf8);
        if (AnsiToUtf8(ansi) == utf8)
            return ansi;
    }
    return Escape(utf8);
}

// The plain bill a protected one ("LUMODPAPI1:..." as stored) stands for,
// or nullopt when it cannot be opened.
std::optional<std::string> OpenStored(std::string_view stored, const BillProtector& protector) {
    std::optional<std::string> sealed = Base64Decode(stored.substr(kProtected.size()));
    if (!sealed || !protector.unprotect)
        return std::nullopt;
    return protector.unprotect(*sealed);
}

// The bill's text on its line. An entry whose bill is unchanged since it was
// stored keeps its stored form; any other bill is protected now and the
// entry remembers the result, so each bill is protected once.
template <class Entry>
std::string EncodeBill(Entry& entry, const BillProtector& protector) {
    if (!entry.StoredBill.empty()) {
        const bool unchanged =
            entry.OpenedBill ? entry.Bill == *entry.OpenedBill : entry.Bill.empty();
        if (unchanged)
            return entry.StoredBill;
        entry.StoredBill.clear();
        entry.OpenedBill.reset();
    }
    if (!entry.Bill.empty() && protector.protect) {
        if (std::optional<std::string> sealed = protector.protect(entry.Bill)) {
            entry.StoredBill = std::string(kProtected) + Base64Encode(*sealed);
            entry.OpenedBill = entry.Bill;
            return entry.StoredBill;
        }
    }
    // No protector, or it failed: the bill is kept plain rather than lost.
    return EncodeValue(entry.Bill);
}

template <class Entry>
const std::string& OpenBill(Entry& entry, const BillProtector& protector) {
    if (!entry.StoredBill.empty() && !entry.OpenedBill && entry.Bill.empty()) {
        entry.Bill = OpenStored(entry.StoredBill, protector).value_or(std::string());
        entry.OpenedBill = entry.Bill;
    }
    return entry.Bill;
}

std::string DecodeValue(std::string_view stored) {
    if (stored.starts_with(kEscaped))
        return Unescape(stored.substr(kEscaped.size()));
    return FromAnsi(stored);
}

struct Block {
    std::string folder, name, address, bill, storedBill, proxy;
    std::string optional[kOptionalFieldCount];

    // A protected bill stays closed. Only a bill given on several lines (the
    // old format concatenates them; this program never writes one) is opened
    // here, as the parts must be joined in plain text.
    void AddBill(std::string_view value, const BillProtector& protector) {
        if (value.empty())
            return;
        const bool isProtected = value.starts_with(kProtected);
        if (isProtected && bill.empty() && storedBill.empty()) {
            storedBill = value;
            return;
        }
        if (!storedBill.empty()) {
            bill = OpenStored(storedBill, protector).value_or(std::string());
            storedBill.clear();
        }
        bill +=
            isProtected ? OpenStored(value, protector).value_or(std::string()) : DecodeValue(value);
    }
};

// An optional field's line (the last value given counts); false for any
// other line.
bool ReadOptional(std::string_view line, Block& block) {
    for (size_t i = 0; i < kOptionalFieldCount; ++i) {
        if (StartsWithNoCase(line, kOptionalFields[i].marker)) {
            block.optional[i] = kOptionalFields[i].normalise(
                DecodeValue(line.substr(kOptionalFields[i].marker.size())));
            return true;
        }
    }
    return false;
}

// The reading procedure shared by both files: `emit` receives every complete
// block in file order.
template <class Emit>
void ReadBlocks(std::string_view bytes, bool withFolder, const BillProtector& protector,
                Emit emit) {
    Block block;
    bool open = false;
    size_t pos = 0;
    while (pos <= bytes.size()) {
        const size_t lf = bytes.find('\n', pos);
        const size_t end = lf == std::string_view::npos ? bytes.size() : lf;
        const std::string_view line = TrimView(bytes.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty())
            break;  // a blank line, or the end of the file, ends the list
        if (line == kBegin) {
            block = Block();
            open = true;
        } else if (!open) {
            continue;
        } else if (StartsWithNoCase(line, kName)) {
            block.name += DecodeValue(line.substr(kName.size()));
        } else if (StartsWithNoCase(line, kAddress)) {
            block.address += DecodeValue(line.substr(kAddress.size()));
        } else if (StartsWithNoCase(line, kBill)) {
            block.AddBill(line.substr(kBill.size()), protector);
        } else if (StartsWithNoCase(line, kProxy)) {
            block.proxy += DecodeValue(line.substr(kProxy.size()));
        } else if (withFolder && StartsWithNoCase(line, kFolder)) {
            block.folder += DecodeValue(line.substr(kFolder.size()));
        } else if (withFolder && ReadOptional(line, block)) {
        } else if (line == kEnd) {
            emit(std::move(block));
            block = Block();
            open = false;
        }
    }
}

void AppendField(std::string& out, std::string_view marker, std::string_view encoded) {
    out += marker;
    out += encoded;
    out += kLineEnd;
}

// Only a game with a proxy has the line: lists without proxies stay as they were.
void AppendProxy(std::string& out, const std::string& proxy) {
    if (!proxy.empty())
        AppendField(out, kProxy, EncodeValue(proxy));
}

// Every change saves through here; a list whose file could not be read at
// start is set aside first, so a save of the (then empty) list never
// replaces games the player still has on disk.
bool SaveList(const std::string& path, bool& unreadable, const std::string& text) {
    if (unreadable) {
        if (!FileExists(path)) {
            unreadable = false;
        } else {
            for (int n = 1; n < 100 && unreadable; ++n) {
                const std::string aside = path + ".unreadable" + (n > 1 ? std::to_string(n) : "");
                if (!FileExists(aside) && !FolderExists(aside) && RenameFile(path, aside))
                    unreadable = false;
            }
            if (unreadable)
                return false;
        }
    }
    return WriteFileAtomic(path, text);
}

// Reads `path` into a text; nullopt when it exists but cannot be read.
std::optional<std::string> ReadList(const std::string& path) {
    RemoveStaleTempFiles(path);
    if (!FileExists(path))
        return std::string();
    return ReadFileBytes(path);
}

template <class Lines, class T>
bool EraseEntry(Lines& lines, const T* entry) {
    auto it = std::find_if(lines.begin(), lines.end(),
                           [entry](const auto& line) { return line.get() == entry; });
    if (it == lines.end())
        return false;
    lines.erase(it);
    return true;
}

// The list's own (changeable) entry behind `entry`, or null.
template <class Lines, class T>
auto FindEntry(const Lines& lines, const T* entry) -> decltype(lines.front().get()) {
    for (const auto& line : lines) {
        if (line.get() == entry)
            return line.get();
    }
    return nullptr;
}

}  // namespace

GameLines ParseGameList(std::string_view fileBytes, const BillProtector& protector) {
    GameLines games;
    ReadBlocks(fileBytes, true, protector, [&games](Block&& b) {
        auto game = std::make_unique<TGameline>();
        game->Folder = std::move(b.folder);
        game->Name = std::move(b.name);
        game->Address = std::move(b.address);
        game->Bill = std::move(b.bill);
        game->StoredBill = std::move(b.storedBill);
        game->Proxy = std::move(b.proxy);
        for (size_t i = 0; i < kOptionalFieldCount; ++i)
            (*game).*kOptionalFields[i].member = std::move(b.optional[i]);
        games.push_back(std::move(game));
    });
    return games;
}

RecentLines ParseRecentList(std::string_view fileBytes, const BillProtector& protector) {
    RecentLines recents;
    ReadBlocks(fileBytes, false, protector, [&recents](Block&& b) {
        auto recent = std::make_unique<TRecentline>();
        recent->Name = std::move(b.name);
        recent->Address = std::move(b.address);
        recent->Bill = std::move(b.bill);
        recent->StoredBill = std::move(b.storedBill);
        recent->Proxy = std::move(b.proxy);
        recents.push_back(std::move(recent));
    });
    return recents;
}

std::string FormatGameList(const GameLines& games, const BillProtector& protector) {
    std::string out;
    for (const auto& g : games) {
        AppendField(out, kBegin, {});
        AppendField(out, kFolder, EncodeValue(g->Folder));
        AppendField(out, kName, EncodeValue(g->Name));
        AppendField(out, kAddress, EncodeValue(g->Address));
        AppendField(out, kBill, EncodeBill(*g, protector));
        AppendProxy(out, g->Proxy);
        for (const OptionalField& field : kOptionalFields) {
            const std::string value = field.normalise((*g).*field.member);
            if (!value.empty())
                AppendField(out, field.marker, EncodeValue(value));
        }
        AppendField(out, kEnd, {});
    }
    return out;
}

std::string FormatRecentList(const RecentLines& recents, const BillProtector& protector) {
    std::string out;
    for (const auto& r : recents) {
        AppendField(out, kBegin, {});
        AppendField(out, kName, EncodeValue(r->Name));
        AppendField(out, kAddress, EncodeValue(r->Address));
        AppendField(out, kBill, EncodeBill(*r, protector));
        AppendProxy(out, r->Proxy);
        AppendField(out, kEnd, {});
    }
    return out;
}

std::string NormaliseColour(std::string_view text) {
    text = TrimView(text);
    if (text.starts_with('#'))
        text.remove_prefix(1);
    if (text.size() != 6 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return HexValue(c) >= 0; }))
        return {};
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

const std::string& BillOf(TGameline& game, const BillProtector& protector) {
    return OpenBill(game, protector);
}

const std::string& BillOf(TRecentline& recent, const BillProtector& protector) {
    return OpenBill(recent, protector);
}

GameLibrary::GameLibrary(std::string folder, BillProtector protector)
    : folder_(std::move(folder)), protector_(std::move(protector)) {}

std::string GameLibrary::gameListPath() const {
    return folder_ + "gList.dat";
}

std::string GameLibrary::recentListPath() const {
    return folder_ + "Recents.dat";
}

void GameLibrary::Load() {
    std::optional<std::string> recents = ReadList(recentListPath());
    recentsUnreadable_ = !recents;
    recents_ = ParseRecentList(recents.value_or(""), protector_);
    std::optional<std::string> games = ReadList(gameListPath());
    gamesUnreadable_ = !games;
    games_ = ParseGameList(games.value_or(""), protector_);
}

bool GameLibrary::SaveGameList() const {
    return SaveList(gameListPath(), gamesUnreadable_, FormatGameList(games_, protector_));
}

bool GameLibrary::SaveRecentList() const {
    return SaveList(recentListPath(), recentsUnreadable_, FormatRecentList(recents_, protector_));
}

TRecentline* GameLibrary::AddRecentGame(std::string_view name, std::string_view address,
                                        std::string_view bill, std::string_view proxy) {
    const std::string_view trimmedName = TrimView(name);
    const std::string_view trimmedAddress = TrimView(address);
    auto same = std::find_if(recents_.begin(), recents_.end(), [&](const auto& r) {
        return TrimView(r->Name) == trimmedName && TrimView(r->Address) == trimmedAddress;
    });
    if (same != recents_.end())
        recents_.erase(same);
    auto recent = std::make_unique<TRecentline>();
    recent->Name = trimmedName;
    recent->Address = trimmedAddress;
    recent->Bill = bill;
    recent->Proxy = proxy;
    recents_.insert(recents_.begin(), std::move(recent));
    TRecentline* added = recents_.front().get();
    SaveRecentList();
    return added;
}

TGameline* GameLibrary::AddGame(std::string_view category, std::string_view name,
                                std::string_view bill, std::string_view address,
                                std::string_view proxy, std::string_view colour) {
    auto game = std::make_unique<TGameline>();
    game->Folder = Trim(category);
    game->Name = Trim(name);
    game->Address = Trim(address);
    game->Bill = bill;
    game->Proxy = proxy;
    game->Colour = NormaliseColour(colour);
    games_.push_back(std::move(game));
    TGameline* added = games_.back().get();
    SaveGameList();
    return added;
}

void GameLibrary::RemoveCategory(std::string_view category) {
    // A category read from an older file may keep leading blanks; its node
    // shows them, so the untrimmed name matches as well.
    std::erase_if(games_, [category](const auto& g) {
        return TrimView(g->Folder) == category || g->Folder == category;
    });
    SaveGameList();
}

void GameLibrary::RemoveGame(const TGameline* game) {
    if (EraseEntry(games_, game))
        SaveGameList();
}

void GameLibrary::RemoveRecent(const TRecentline* recent) {
    if (EraseEntry(recents_, recent))
        SaveRecentList();
}

bool GameLibrary::RenameGame(const TGameline* game, std::string_view name) {
    TGameline* entry = game ? FindEntry(games_, game) : nullptr;
    if (!entry)
        return false;
    entry->Name = std::string(name);
    SaveGameList();
    return true;
}

bool GameLibrary::SetProxy(const TGameline* game, std::string_view proxy) {
    TGameline* entry = game ? FindEntry(games_, game) : nullptr;
    if (!entry)
        return false;
    entry->Proxy = std::string(proxy);
    SaveGameList();
    return true;
}

bool GameLibrary::SetGameColour(const TGameline* game, std::string_view colour) {
    TGameline* entry = game ? FindEntry(games_, game) : nullptr;
    if (!entry)
        return false;
    entry->Colour = NormaliseColour(colour);
    SaveGameList();
    return true;
}

TGameline* GameLibrary::FindGame(std::string_view category, std::string_view name) const {
    for (const auto& g : games_)
        if (TrimView(g->Folder) == TrimView(category) && TrimView(g->Name) == TrimView(name))
            return g.get();
    return nullptr;
}

bool GameLibrary::Contains(const TGameline* game) const {
    return game && FindEntry(games_, game);
}

bool GameLibrary::Contains(const TRecentline* recent) const {
    return recent && FindEntry(recents_, recent);
}

}  // namespace lumo
