// gList.dat and Recents.dat as found on disk (ANSI bytes, possibly written
// by an older version or damaged). Input: the file's bytes. What a list
// reads must be written and read back to the same games, and a second save
// of it must give the same bytes; the same holds for lists made of any
// values (input: the file again, cut into values at its line ends). Blanks
// and control bytes at the end of a value are the one thing a save may drop,
// as the old program's files always did. A colour reads normalised or not at
// all, and a list's colours survive as normalised.
#include <algorithm>

#include "fuzz/fuzz_check.h"
#include "library/game_list.h"

using namespace lumo;

namespace {

// A stand-in for the system's data protection: reversible, and it refuses
// data it did not make (as another user's would be).
const BillProtector kProtector{[](std::string_view plain) -> std::optional<std::string> {
                                   std::string sealed = "P" + std::string(plain);
                                   std::reverse(sealed.begin(), sealed.end());
                                   return sealed;
                               },
                               [](std::string_view stored) -> std::optional<std::string> {
                                   if (stored.empty() || stored.back() != 'P')
                                       return std::nullopt;
                                   std::string plain(stored.substr(0, stored.size() - 1));
                                   std::reverse(plain.begin(), plain.end());
                                   return plain;
                               }};

struct Plain {
    std::string folder, name, address, bill, colour;
    bool operator==(const Plain&) const = default;
};

std::string TrimEnd(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    return std::string(s);
}

template <class Lines>
std::vector<Plain> PlainOf(Lines& lines, const BillProtector& protector) {
    std::vector<Plain> out;
    for (auto& line : lines) {
        Plain p{
            {}, TrimEnd(line->Name), TrimEnd(line->Address), TrimEnd(BillOf(*line, protector)), {}};
        if constexpr (std::is_same_v<Lines, GameLines>) {
            p.folder = TrimEnd(line->Folder);
            p.colour = NormaliseColour(line->Colour);
        }
        out.push_back(std::move(p));
    }
    return out;
}

template <class Lines, class Parse, class Format>
void RoundTrip(Lines& lines, const BillProtector& protector, Parse parse, Format format) {
    const std::string saved = format(lines, protector);
    const std::vector<Plain> before = PlainOf(lines, protector);
    Lines again = parse(saved, protector);
    FUZZ_CHECK(again.size() == lines.size());
    FUZZ_CHECK(PlainOf(again, protector) == before);
    const std::string resaved = format(again, protector);
    Lines third = parse(resaved, protector);
    FUZZ_CHECK(format(third, protector) == resaved);
}

void Both(const std::vector<std::string>& values, const std::string& file,
          const BillProtector& protector) {
    GameLines games = ParseGameList(file, protector);
    for (const auto& g : games) FUZZ_CHECK(g->Colour == NormaliseColour(g->Colour));
    RoundTrip(games, protector, ParseGameList, FormatGameList);
    RecentLines recents = ParseRecentList(file, protector);
    RoundTrip(recents, protector, ParseRecentList, FormatRecentList);

    // Lists of any values, as the dialogs and pages hand them over.
    GameLines made;
    RecentLines madeRecent;
    for (size_t i = 0; i + 3 < values.size() && made.size() < 64; i += 4) {
        made.push_back(std::make_unique<TGameline>(
            TGameline{values[i], values[i + 1], values[i + 2], values[i + 3], {}, {}, values[i]}));
        madeRecent.push_back(std::make_unique<TRecentline>(
            TRecentline{values[i + 1], values[i + 2], values[i + 3], {}, {}}));
    }
    RoundTrip(made, protector, ParseGameList, FormatGameList);
    RoundTrip(madeRecent, protector, ParseRecentList, FormatRecentList);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(fuzz::AsText(data, size));
    const std::vector<std::string> values = fuzz::Split(file, '\n');
    Both(values, file, size % 2 ? kProtector : BillProtector{});
    return 0;
}
