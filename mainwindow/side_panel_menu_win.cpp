// The game tree's right-click menus: a game's 修改名称, 设置代理… and 标签颜色
// (the colour of its tabs), a category's 打开全部.
#include <iterator>

#include "common/guard.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "library/game_tree_win.h"
#include "mainwindow/side_panel_win.h"

namespace lumo {

namespace {

constexpr int kIdChangeName = 3;
constexpr int kIdOpenAll = 4;
constexpr int kIdChangeProxy = 5;
constexpr int kIdColourFirst = 100;  // + index into kGameColours

}  // namespace

LRESULT SidePanel::OnGameTreeRightClick() {
    HTREEITEM node = rightClickNode_;
    rightClickNode_ = nullptr;
    if (!node)
        return 1;
    const int image = NodeImage(gameTree_, node);
    const bool category = image == kTreeImageCategory || image == kTreeImageCategoryOpen;
    auto* game = reinterpret_cast<TGameline*>(NodeData(gameTree_, node));
    GameLibrary* lib = library();
    if (!lib || (!category && !(editMenuAttached_ && game && lib->Contains(game))))
        return 1;
    UniqueMenu menu(CreatePopupMenu());
    UniqueMenu colours;
    if (category) {
        AppendMenuW(menu.get(), MF_STRING, kIdOpenAll, ToW("打开全部").c_str());
    } else {
        AppendMenuW(menu.get(), MF_STRING, kIdChangeName, ToW("修改名称").c_str());
        AppendMenuW(menu.get(), MF_STRING, kIdChangeProxy, ToW("设置代理…").c_str());
        colours.reset(CreatePopupMenu());
        for (size_t i = 0; i < std::size(kGameColours); ++i)
            AppendMenuW(colours.get(),
                        MF_STRING | (game->Colour == kGameColours[i].hex ? MF_CHECKED : 0),
                        kIdColourFirst + i, ToW(kGameColours[i].name).c_str());
        // The menu owns the submenu from here on.
        AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(colours.release()),
                    ToW("标签颜色").c_str());
    }
    POINT pt;
    GetCursorPos(&pt);
    const int cmd = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0,
                                   args_.mainWindow, nullptr);
    if (cmd == kIdChangeName) {
        ChangeName();
    } else if (cmd == kIdChangeProxy) {
        ChangeProxy();
    } else if (cmd == kIdOpenAll) {
        OpenCategory(node);
    } else if (cmd >= kIdColourFirst &&
               cmd < kIdColourFirst + static_cast<int>(std::size(kGameColours))) {
        // The game may have gone while the menu was open.
        if (lib->Contains(game)) {
            lib->SetGameColour(game, kGameColours[cmd - kIdColourFirst].hex);
            if (args_.hooks.onGameChanged)
                args_.hooks.onGameChanged(*game, game->Name);
        }
    }
    return 1;
}

void SidePanel::OpenCategory(HTREEITEM category) {
    GameLibrary* lib = library();
    if (!lib || !args_.hooks.onOpenGames)
        return;
    std::vector<TGameline*> games;
    for (HTREEITEM child = TreeView_GetChild(gameTree_, category); child;
         child = TreeView_GetNextSibling(gameTree_, child)) {
        auto* game = reinterpret_cast<TGameline*>(NodeData(gameTree_, child));
        if (NodeImage(gameTree_, child) == kTreeImageGame && game && lib->Contains(game) &&
            !game->Address.empty())
            games.push_back(game);
    }
    if (!games.empty())
        args_.hooks.onOpenGames(games);
}

}  // namespace lumo
