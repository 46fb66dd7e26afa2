// Time to show a 10,000-game list: Load of gList.dat (protected bills, as the
// program keeps them) and FillGameTree into a real tree view styled like
// tvwMyGame. Prints medians; asserts nothing.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "common/file.h"
#include "common/text_win.h"
#include "library/bill_protect_win.h"
#include "library/game_list.h"
#include "library/game_tree_win.h"
#include "tests/library/sample_games.h"
#include "tests/support/bench_stats.h"

using namespace lumo;
using namespace lumo::test;

namespace {}  // namespace

int main() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::string folder =
        FromW(temp) + "lumo-bench-tree-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateFolders(folder);
    const BillProtector protector = UserBillProtector();
    constexpr size_t kGames = 10000;
    WriteFileAtomic(folder + "gList.dat",
                    FormatGameList(test::MakeSampleGames(kGames, 50), protector));

    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumoBenchHost";
    RegisterClassW(&wc);
    HWND host = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 300, 600,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | TVS_TRACKSELECT | TVS_FULLROWSELECT |
                                    TVS_SHOWSELALWAYS | TVS_EDITLABELS,
                                0, 0, 145, 600, host, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tree) {
        std::printf("no tree view: %lu\n", GetLastError());
        return 1;
    }
    SendMessageW(tree, TVM_SETINDENT, 19, 0);
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(TreeImages()));
    ShowWindow(host, SW_SHOWNOACTIVATE);

    GameLibrary library(folder, protector);
    const double load = MedianMs(5, [&] { library.Load(); });
    const double fill = MedianMs(5, [&] { FillGameTree(tree, library); });
    const double both = MedianMs(5, [&] {
        GameLibrary fresh(folder, protector);
        fresh.Load();
        FillGameTree(tree, fresh);
    });
    FillGameTree(tree, library);  // no node may point into a list that is gone
    std::printf(
        "tvwMyGame, %zu games in %zu nodes: Load %.1f ms, FillGameTree %.1f ms, "
        "both %.1f ms\n",
        library.games().size(), static_cast<size_t>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)), load,
        fill, both);
    DestroyWindow(host);
    DeleteFileW(ToW(folder + "gList.dat").c_str());
    RemoveDirectoryW(ToW(folder).c_str());
    return 0;
}
