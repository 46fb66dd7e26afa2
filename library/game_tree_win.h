// The tree-view side of the game library: tvwMyGame (categories, their games
// and the add-game entries) and tvwRecent, on system TreeView controls with
// the ILTree pictures. A node's lParam is its list entry (TGameline* in the
// game tree, TRecentline* in the recent tree) or null.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "library/game_list.h"

namespace lumo {

// ILTree image indexes: the node kinds.
inline constexpr int kTreeImageCategory = 0;
inline constexpr int kTreeImageCategoryOpen = 1;
inline constexpr int kTreeImageGame = 2;
inline constexpr int kTreeImageAddGame = 3;
inline constexpr char kAddGameNodeText[] = "添加游戏";

// The tree image list: ILTree from the skin for `dpi` (shared, not owned by
// the tree).
HIMAGELIST TreeImages(int dpi = 96);

// Node queries.
std::string NodeText(HWND tree, HTREEITEM node);
int NodeImage(HWND tree, HTREEITEM node);
LPARAM NodeData(HWND tree, HTREEITEM node);
// The node under a point in the tree's client coordinates, anywhere on its row.
HTREEITEM NodeAt(HWND tree, POINT client);

// Clears `tree` and adds one node per recent entry with a name, in list order.
void FillRecentTree(HWND tree, const GameLibrary& library);
// Clears `tree` and builds it: the top "添加游戏", then per category (in the
// order of its first game) the category node with its "添加游戏" child and
// its games in file order. Games without a category are not shown.
void FillGameTree(HWND tree, const GameLibrary& library);

// The first top-level category node (image 0) whose text is `category`
// exactly; null when there is none.
HTREEITEM FindCategoryNode(HWND tree, const std::string& category);
// The texts of the top-level category nodes, in tree order.
std::vector<std::string> GetCategoryNames(HWND tree);

// Files a game: the node (under its category, made if missing, without an
// add-game child until the next fill) and the list entry. Always true.
bool AddGame(HWND tree, GameLibrary& library, const std::string& category, const std::string& name,
             const std::string& bill, const std::string& address, const std::string& proxy = {},
             const std::string& colour = {});
// A category node with children takes all its games out of the list; any
// other node its own entry. The node goes with its children; the list is saved.
void DeleteGameNode(HWND tree, GameLibrary& library, HTREEITEM node);
void DeleteRecentNode(HWND tree, GameLibrary& library, HTREEITEM node);
// The list half of an in-place rename on the game tree: the node's game gets
// the new name when it is still in the list.
void RenameGame(HWND tree, GameLibrary& library, HTREEITEM node, const std::string& text);

}  // namespace lumo
