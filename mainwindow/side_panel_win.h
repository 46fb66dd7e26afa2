// The side panel (PanelLeft): three stacked sections, each a header bar over
// its body - the recently played games (tvwRecent), the player's games by
// category (tvwMyGame) and the popular-games page - of which one is
// expanded and the other two shrink to their headers. It opens games, files
// them through the add-game dialog, renames them in place and deletes them
// with a small button that follows the mouse over the rows. The headers take
// the keyboard (Enter or Space expands) and tell screen readers their title
// and whether they are expanded.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/button_bar_win.h"
#include "frame/paint_panel_win.h"
#include "library/add_game_dialog_win.h"
#include "library/game_list.h"
#include "library/proxy_dialog_win.h"

namespace lumo {

// Design sizes (96 DPI).
inline constexpr int kRecentHeaderHeight = 25;
inline constexpr int kMyGameHeaderHeight = 25;
inline constexpr int kHotHeaderHeight = 27;
inline constexpr int kDeleteButtonSize = 14;
inline constexpr int kTreeIndent = 19;

struct SidePanelArgs {
    // The game library behind both trees (owned by the shell); null leaves
    // the trees empty.
    GameLibrary* library = nullptr;
    // Opens a game in a new page right after the current one, through its
    // proxy ("" for none); `game` is the saved game it comes from (the tab's
    // label), null for a recent one.
    std::function<void(const std::string& address, const std::string& bill,
                       const std::string& proxy, const TGameline* game)>
        onOpenGame;
    // 打开全部 on a category: every game of it, in tree order, each in a tab
    // of its own.
    std::function<void(const std::vector<TGameline*>& games)> onOpenGames;
    // A saved game was renamed or given another colour: `game` as it is
    // now, `oldName` its name before.
    std::function<void(const TGameline& game, const std::string& oldName)> onGameChanged;
    // Creates the popular-games page inside `parent`, navigating to
    // `address`; the page window lives as long as the panel.
    std::function<std::unique_ptr<Window>(HWND parent, const std::string& address)>
        createHotGamesPage;
};

class SidePanel : public Window {
  public:
    enum Mode { kRecent = 0, kMyGame = 1, kHot = 2 };

    struct CreateArgs {
        HWND mainWindow = nullptr;
        HICON icon = nullptr;
        std::string hotGamesAddress;
        SidePanelArgs hooks;
        std::function<void()> onClose;  // SBLeftTopClose
    };
    bool Create(const CreateArgs& args);

    void Move(int x, int y, int w, int h) { MoveWindow(hwnd(), x, y, w, h, TRUE); }
    // ArrangeSidePanel with a new SidePanelMode.
    void SetMode(int mode);
    int mode() const { return mode_; }
    void HideDeleteButton();
    // CreateHotGamesPage: once; later calls do nothing.
    void CreateHotGamesPage();
    // Opens the add-game dialog modally once the current message is done
    // (one at a time); it files into tvwMyGame.
    void OpenAddGameDialog(const AddGameDialog::Presets& presets);

    // Where Tab stops in the panel, top to bottom: each header, the open
    // section's tree after its header.
    std::vector<HWND> FocusStops() const;

    HWND recentTree() const { return recentTree_; }
    HWND gameTree() const { return gameTree_; }
    GameLibrary* library() const { return args_.hooks.library; }
    // The main window moved to another DPI: tree fonts, indents, pictures
    // and the sections' places follow.
    void OnDpiChanged(int dpi);

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // A section's header as screen readers see it: a button that expands it.
    class HeaderAccess : public AccessibleSource {
      public:
        HeaderAccess(SidePanel& panel, int mode, const char* title)
            : panel_(panel), mode_(mode), title_(title) {}
        AccessibleItem AccessibleSelf() override;
        void AccessibleDoDefault(int) override { panel_.SetMode(mode_); }

      private:
        SidePanel& panel_;
        int mode_;
        const char* title_;
    };
    struct Section {
        std::unique_ptr<HeaderAccess> access;
        PaintPanel panel, header, bar;
        int headerHeight = 0;
        const char* title = "";
    };
    void CreateSection(Section& s, const wchar_t* panel, const wchar_t* header, const wchar_t* bar,
                       const char* title, int headerHeight, int mode);
    HWND CreateTree(HWND parent, const wchar_t* name);
    static void ScaleTree(HWND tree, int dpi);
    int dpi() const;
    void Arrange();
    void PlaceSection(Section& s, HWND body, int top, int height, bool expanded);
    void RefillRecent();
    LRESULT OnNotify(const NMHDR& nm);
    void OnRecentClick();
    void OnMyGameOpen();
    void OnTreeMouseDown(UINT msg);
    void OnTreeMouseMove(HWND tree, POINT at);
    void OnDeleteClick();
    void ChangeName();
    void ChangeProxy();
    // The tree's right-click menus (side_panel_menu_win.cpp): a game's
    // rename, proxy and colour, a category's 打开全部.
    LRESULT OnGameTreeRightClick();
    void OpenCategory(HTREEITEM category);
    HTREEITEM NodeUnderCursor(HWND tree) const;
    HTREEITEM rightClickNode_ = nullptr;
    static LRESULT CALLBACK TreeSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self);

    CreateArgs args_;
    int mode_ = kRecent;
    Section recent_, myGame_, hot_;
    PaintPanel favLeftControl_;
    ButtonBar leftTopControl_, deleteBar_;
    HWND recentTree_ = nullptr, gameTree_ = nullptr;
    HTREEITEM hoverNode_ = nullptr;
    HWND hoverTree_ = nullptr;
    bool editMenuAttached_ = false;
    std::unique_ptr<Window> hotGamesPage_;
    std::unique_ptr<AddGameDialog> dialog_;
    std::unique_ptr<ProxyDialog> proxyDialog_;
};

}  // namespace lumo
