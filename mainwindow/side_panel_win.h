// The side panel (PanelLeft): three stacked sections, each a header bar over
// its body - the recently played games (tvwRecent), the player's games by
// category (tvwMyGame) and the popular-games page - of which one is
// expanded and the other two shrink to their headers. It opens games, files
// them through the add-game dialog, renames them in place and deletes them
// with a small button that follows the mouse over the rows.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "frame/button_bar_win.h"
#include "frame/paint_panel_win.h"
#include "library/add_game_dialog_win.h"
#include "library/game_list.h"

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
    // Opens a game in a new page right after the current one.
    std::function<void(const std::string& address, const std::string& bill)> onOpenGame;
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

    HWND recentTree() const { return recentTree_; }
    HWND gameTree() const { return gameTree_; }
    GameLibrary* library() const { return args_.hooks.library; }
    // The main window moved to another DPI: tree fonts, indents, pictures
    // and the sections' places follow.
    void OnDpiChanged(int dpi);

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    struct Section {
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
    HTREEITEM NodeUnderCursor(HWND tree) const;
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
};

}  // namespace lumo
