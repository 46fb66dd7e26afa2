#include "library/game_tree_win.h"

#include <unordered_map>

#include "common/text.h"
#include "common/text_win.h"
#include "frame/skin_win.h"

namespace lumo {

namespace {

HTREEITEM Insert(HWND tree, HTREEITEM parent, const std::string& text, int image, int selectedImage,
                 LPARAM data) {
    std::wstring w = ToW(text);
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    ins.item.pszText = w.data();
    ins.item.iImage = image;
    ins.item.iSelectedImage = selectedImage;
    ins.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

HTREEITEM Next(HWND tree, HTREEITEM node, UINT how) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(node)));
}

// Redraws once at the end of a fill instead of after every node.
class RedrawPause {
  public:
    explicit RedrawPause(HWND tree) : tree_(tree) { SendMessageW(tree_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawPause() {
        SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

  private:
    HWND tree_;
};

void Clear(HWND tree) {
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

}  // namespace

HIMAGELIST TreeImages(int dpi) {
    return Skin::Get(dpi).List(IDB_IL_TREE);
}

std::string NodeText(HWND tree, HTREEITEM node) {
    if (!node)
        return {};
    wchar_t buf[1024] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = node;
    item.pszText = buf;
    item.cchTextMax = static_cast<int>(std::size(buf));
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return {};
    return FromW(item.pszText);
}

int NodeImage(HWND tree, HTREEITEM node) {
    TVITEMW item{};
    item.mask = TVIF_IMAGE;
    item.hItem = node;
    if (!node || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return -1;
    return item.iImage;
}

LPARAM NodeData(HWND tree, HTREEITEM node) {
    TVITEMW item{};
    item.mask = TVIF_PARAM;
    item.hItem = node;
    if (!node || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.lParam;
}

HTREEITEM NodeAt(HWND tree, POINT client) {
    TVHITTESTINFO hit{};
    hit.pt = client;
    SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    constexpr UINT kOnRow = TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT | TVHT_ONITEMBUTTON;
    return (hit.flags & kOnRow) ? hit.hItem : nullptr;
}

void FillRecentTree(HWND tree, const GameLibrary& library) {
    RedrawPause pause(tree);
    Clear(tree);
    for (const auto& r : library.recents())
        if (!r->Name.empty())
            Insert(tree, nullptr, r->Name, kTreeImageGame, kTreeImageGame,
                   reinterpret_cast<LPARAM>(r.get()));
}

void FillGameTree(HWND tree, const GameLibrary& library) {
    RedrawPause pause(tree);
    Clear(tree);
    HTREEITEM top =
        Insert(tree, nullptr, kAddGameNodeText, kTreeImageAddGame, kTreeImageAddGame, 0);
    // The first top-level node of each text, whatever its kind: a category
    // called like the add-game entry lands under the top entry.
    std::unordered_map<std::string, HTREEITEM> firstByText{{kAddGameNodeText, top}};
    for (const auto& g : library.games()) {
        if (g->Folder.empty())
            continue;
        auto [it, isNew] = firstByText.try_emplace(g->Folder, nullptr);
        if (isNew) {
            it->second =
                Insert(tree, nullptr, g->Folder, kTreeImageCategory, kTreeImageCategoryOpen, 0);
            // Its add-game entry carries no entry: nothing reads it, and a
            // pointer would dangle once that game is deleted.
            Insert(tree, it->second, kAddGameNodeText, kTreeImageAddGame, kTreeImageAddGame, 0);
        }
        Insert(tree, it->second, g->Name, kTreeImageGame, kTreeImageGame,
               reinterpret_cast<LPARAM>(g.get()));
    }
}

HTREEITEM FindCategoryNode(HWND tree, const std::string& category) {
    for (HTREEITEM n = Next(tree, nullptr, TVGN_ROOT); n; n = Next(tree, n, TVGN_NEXT))
        if (NodeImage(tree, n) == kTreeImageCategory && NodeText(tree, n) == category)
            return n;
    return nullptr;
}

std::vector<std::string> GetCategoryNames(HWND tree) {
    std::vector<std::string> names;
    for (HTREEITEM n = Next(tree, nullptr, TVGN_ROOT); n; n = Next(tree, n, TVGN_NEXT))
        if (NodeImage(tree, n) == kTreeImageCategory)
            names.push_back(NodeText(tree, n));
    return names;
}

bool AddGame(HWND tree, GameLibrary& library, const std::string& category, const std::string& name,
             const std::string& bill, const std::string& address, const std::string& proxy,
             const std::string& colour) {
    std::string folder = Trim(category);
    HTREEITEM parent = FindCategoryNode(tree, folder);
    if (!parent)
        parent = Insert(tree, nullptr, folder, kTreeImageCategory, kTreeImageCategory, 0);
    TGameline* game = library.AddGame(folder, name, bill, address, proxy, colour);
    Insert(tree, parent, game->Name, kTreeImageGame, kTreeImageGame,
           reinterpret_cast<LPARAM>(game));
    return true;
}

void DeleteGameNode(HWND tree, GameLibrary& library, HTREEITEM node) {
    if (!node)
        return;
    bool category = !Next(tree, node, TVGN_PARENT) && Next(tree, node, TVGN_CHILD);
    if (category)
        library.RemoveCategory(NodeText(tree, node));
    else
        library.RemoveGame(reinterpret_cast<const TGameline*>(NodeData(tree, node)));
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
}

void DeleteRecentNode(HWND tree, GameLibrary& library, HTREEITEM node) {
    if (!node)
        return;
    // Recent nodes have no children; a node without an entry removes nothing.
    library.RemoveRecent(reinterpret_cast<const TRecentline*>(NodeData(tree, node)));
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
}

void RenameGame(HWND tree, GameLibrary& library, HTREEITEM node, const std::string& text) {
    auto* game = reinterpret_cast<const TGameline*>(NodeData(tree, node));
    if (game && library.Contains(game))
        library.RenameGame(game, text);
}

}  // namespace lumo
