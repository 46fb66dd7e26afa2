// TfrmMain: the shell's main window. From top to bottom: the address panel
// (navigation buttons, address box, Go, search), the tab panel (side-panel
// button, the tab strip, the floating new-tab and close buttons), then the
// side panel on the left and the page area that hosts the page windows of
// the page processes, and the status bar at the bottom.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <vector>

#include "common/handle_win.h"
#include "frame/button_bar_win.h"
#include "frame/frame_base_win.h"
#include "frame/paint_panel_win.h"
#include "mainwindow/panel_win.h"
#include "mainwindow/side_panel_win.h"
#include "mainwindow/tab_layout.h"
#include "mainwindow/tab_strip_win.h"
#include "common/tray_icon_win.h"
#include "protocol/messages_win.h"
#include "protocol/shortcuts.h"
#include "protocol/text_command.h"
#include "protocol/window_names.h"

namespace lumo {

// Design sizes (96 DPI; the window scales them for its DPI).
inline constexpr int kAddressPanelHeight = 41;
inline constexpr int kTabPanelHeight = 33;
inline constexpr int kSidePanelWidth = 145;
inline constexpr int kSplitterWidth = 3;
inline constexpr int kMinSidePanelWidth = 60;
inline constexpr int kMinPageAreaWidth = 200;
inline constexpr int kStatusBarHeight = 29;
inline constexpr int kStatusSidePanelWidth = 185;
inline constexpr COLORREF kStatusColor = 15333857;  // light green

class MainWindow : public FrameBase {
  public:
    enum class NavButton { Back, Forward, Stop, Refresh, Home, SaveGame };
    // Menu items the shell carries out.
    enum class MenuCommand { Help = 0x7001, SetAsDefaultBrowser, About };

    struct CreateArgs {
        HICON icon = nullptr;
        int showCmd = SW_SHOWMAXIMIZED;
        std::string programFolder;  // with trailing backslash
        // Text commands from pages and from a second shell (sender in wParam).
        std::function<void(HWND sender, const TextCommand&)> onTextCommand;
        std::function<void(int index, int mouseButton)> onTabMouseDown;
        std::function<void()> onNewTab;
        std::function<void(NavButton)> onNavButton;
        std::function<void()> onPageAreaResized;
        std::function<void()> onClose;       // before the window goes
        std::function<void()> onBeforeHide;  // before the window hides (tray, minimise)
        std::function<void()> onRunDeferred;
        // The address bar: whether there is no page at all, the active
        // page's address, "NT:" to the active page (`record`: also store it
        // as the page's address), a new page when there is none.
        std::function<bool()> pageListEmpty;
        std::function<std::string()> activeAddress;
        std::function<void(const std::string& address, bool record)> onOpenInActivePage;
        std::function<void(const std::string& address)> onOpenNewPage;
        // The floating close button and middle clicks: close tab `index`.
        std::function<void(int index)> onCloseTab;
        std::function<void(MenuCommand)> onMenuCommand;
        std::function<void(Shortcut)> onShortcut;
        std::string searchOrigin;  // empty: the real search engine
        // FormActivate: runs on activations until it reports that it found
        // an active page (the first activation step).
        std::function<bool()> onFirstActivation;
        // The side panel's game library, game opening and popular-games page.
        SidePanelArgs sidePanel;
    };
    bool Create(const CreateArgs& args);

    HWND pageArea() const { return pageArea_.hwnd(); }
    TabStrip& tabs() { return tabs_; }
    // The tab strip's room in design units (96 DPI), as tab_layout.h reckons.
    TabStripMetrics TabMetrics() const;
    int TabStripWidth() const;

    void SetAddressText(const std::string& text);
    std::string addressText() const;
    void SetStatusText(const std::string& text);
    std::string statusText() const { return status1_.text(); }
    void SetCaption(const std::string& text);
    void FocusPageArea();
    void FocusAddressBox(bool selectAll);
    void HideCloseButton();
    // Places the floating new-tab button behind the last tab.
    void PlaceNewTabButton();

    // Stops and restarts drawing of the whole window (one repaint after).
    void LockUpdates();
    void UnlockUpdates();

    // BBGOClick and ToolButtonSearchClick.
    void Go();
    void Search();
    const std::vector<std::string>& typedHistory() const { return history_; }
    // The window's own keys, for the message loop to offer every key-down
    // of the window's controls before dispatching it: Tab and Shift+Tab go
    // round address box, search box, tab strip and side panel; F10 puts the
    // keyboard on the menu buttons, Alt+letter opens a menu, Alt+Space the
    // window menu. True when the key was taken.
    bool TranslateKey(const MSG& msg);
    // Shows the window again (tray), restoring it when it was minimised.
    void ShowFromTray();
    // The boss key: the window and its tray icon go at once (the window only
    // when it was shown), and come back as they were.
    void HideForBossKey();
    void ShowAfterBossKey();
    SidePanel& sidePanel() { return sidePanel_; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDestroyed() override;
    void OnFrameResize(int width, int height) override;
    void OnDpiChanged(int dpi) override;
    void OnMenuCommand(int id) override;
    void OnMinimizeClick() override;

  private:
    void CreateControls();
    void CreateAddressBar();
    void CreateTabPanel();
    void PaintFormBase(HDC dc, const RECT& rc) const;
    void PaintTabBackground(HDC dc, const RECT& rc) const;
    void ShowTrayMenu();
    void ToggleVisible();
    void Layout();
    void ResetZoomIndicator();
    void OnAddressKey(WPARAM vk);
    void OnCloseButtonPlace(int left, int top, int target, bool show);
    void ToggleSidePanel();
    std::vector<HWND> FocusStops();
    void FocusStop(HWND stop);
    static LRESULT CALLBACK EditSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self);

    CreateArgs args_;
    std::string searchOrigin_;  // empty: the real search engine
    UniqueMenu menu_;
    PaintPanel addressPanel_, tabPanel_, toolBarAddress_, toolBarSearchEdit_;
    SidePanel sidePanel_;
    Panel pageArea_, statusBar_;
    PaintPanel splitter_;
    int sideWidth_ = kSidePanelWidth;  // design width
    int dragOffset_ = -1;              // while the splitter is dragged
    Panel status1_, status2_, status3_;
    TabStrip tabs_;
    ButtonBar toolBarButton_, toolBarGo_, toolBarSearchButton_, toolBarTabNew_, newTabBar_;
    ButtonBar closeBar_, tabControlBar_;
    HWND addressBox_ = nullptr, addressEdit_ = nullptr, searchEdit_ = nullptr;
    HWND progress_ = nullptr, zoomBar_ = nullptr, zoomButton_ = nullptr;
    std::vector<std::string> history_;
    int closeTarget_ = -1;
    int lockDepth_ = 0;
    bool shownWhileLocked_ = true;
    bool firstActivationDone_ = false;
    bool closing_ = false;  // WM_CLOSE taken: the window is on its way out
    bool shownBeforeBossKey_ = false;
    std::unique_ptr<TrayIcon> tray_;
};

}  // namespace lumo
