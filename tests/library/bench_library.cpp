// Load time of a 10,000-game gList.dat (50 categories, Chinese names, saved
// login forms), plain and with protected bills, the cost of one change
// (every change rewrites the file) and of reading one bill the first time
// (a protected one is opened then). Prints medians; asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <vector>

#include "common/file.h"
#include "library/game_list.h"
#include "tests/library/sample_games.h"
#include "tests/support/bench_stats.h"
#ifdef _WIN32
#include "library/bill_protect_win.h"
#endif

namespace fs = std::filesystem;
using namespace lumo;
using namespace lumo::test;

namespace {

void Measure(const char* label, const std::string& folder, const BillProtector& protector,
             size_t games = 10000) {
    const std::string text = FormatGameList(test::MakeSampleGames(games, 50), protector);
    if (!WriteFileAtomic(folder + "gList.dat", text)) {
        std::printf("cannot write %sgList.dat\n", folder.c_str());
        return;
    }
    size_t count = 0;
    const double load = MedianMs(7, [&] {
        GameLibrary lib(folder, protector);
        lib.Load();
        count = lib.games().size();
    });
    GameLibrary lib(folder, protector);
    lib.Load();
    size_t next = 0;
    const double open = MedianMs(7, [&] { lib.BillOf(*lib.games()[next++]); });
    const double add = MedianMs(7, [&] { lib.AddGame("Bench", "one more", "<Forms/>", "u"); });
    std::printf(
        "%-26s %5zu games, %8.1f KiB: Load %7.1f ms, AddGame (save) %6.1f ms, first BillOf %5.2f "
        "ms\n",
        label, count, text.size() / 1024.0, load, add, open);
}

}  // namespace

int main() {
    const fs::path root = fs::temp_directory_path() /
                          ("lumo-bench-library-" + std::to_string(std::random_device()()));
    for (const char* sub : {"plain", "protected", "small"}) fs::create_directories(root / sub);
    const std::string base = root.string() + char(fs::path::preferred_separator);
    Measure("gList.dat, plain bills", base + "plain" + char(fs::path::preferred_separator), {});
#ifdef _WIN32
    Measure("gList.dat, protected bills", base + "protected\\", UserBillProtector());
    Measure("gList.dat, protected bills", base + "small\\", UserBillProtector(), 200);
#endif
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
