// TfrmMain: the shell's main window. From top to bottom: the address panel
// (navigation buttons, address box, Go, search), the tab panel (side-panel
// button, the tab strip, the floating new-tab and close buttons), then the
// side panel on the left and the page area that hosts the page windows of
// the page processes, and the status bar at the bottom.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/window_win.h"
#include "mainwindow/panel_win.h"
#include "mainwindow/tab_layout.h"
#include "mainwindow/tab_strip_win.h"
#include "mainwindow/tray_icon_win.h"
#include "protocol/messages_win.h"
#include "protocol/text_command.h"
#include "protocol/window_names.h"

namespace lumo {

// Design sizes.
inline constexpr int kAddressPanelHeight = 41;
inline constexpr int kTabPanelHeight = 33;
inline constexpr int kSidePanelWidth = 145;
inline constexpr int kSplitterWidth = 3;
inline constexpr int kStatusBarHeight = 29;
inline constexpr int kStatusSidePanelWidth = 185;
inline constexpr COLORREF kStatusColor = 15333857;  // light green

class MainWindow : public Window {
  public:
    enum class NavButton { Back, Forward, Stop, Refresh, Home, SaveGame };

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
        std::function<void()> onClose;  // before the window goes
        std::function<void()> onRunDeferred;
    };
    bool Create(const CreateArgs& args);

    HWND pageArea() const { return pageArea_.hwnd(); }
    TabStrip& tabs() { return tabs_; }
    TabStripMetrics TabMetrics() const;
    int TabStripWidth() const;

    void SetAddressText(const std::string& text);
    std::string addressText() const;
    void SetStatusText(const std::string& text);
    void SetCaption(const std::string& text);
    void FocusPageArea();
    void FocusAddressBox(bool selectAll);
    void HideCloseButton();
    // Places the floating new-tab button behind the last tab.
    void PlaceNewTabButton();

    // Stops and restarts drawing of the whole window (one repaint after).
    void LockUpdates();
    void UnlockUpdates();

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDestroyed() override;

  private:
    void CreateControls();
    void ShowTrayMenu();
    void ToggleVisible();
    void Layout();
    HWND MakeToolBar(HWND parent, const wchar_t* name, int buttonW, int buttonH,
                     std::initializer_list<const char*> labels, int firstId);

    CreateArgs args_;
    Panel addressPanel_, tabPanel_, sidePanel_, splitter_, pageArea_, statusBar_;
    Panel status1_, status2_, status3_;
    TabStrip tabs_;
    HWND toolBarButton_ = nullptr, toolBarAddress_ = nullptr, addressBox_ = nullptr;
    HWND toolBarGo_ = nullptr, toolBarSearchEdit_ = nullptr, searchEdit_ = nullptr;
    HWND toolBarSearchButton_ = nullptr;
    HWND toolBarTabNew_ = nullptr, newTabBar_ = nullptr, closeBar_ = nullptr;
    HWND tabControlBar_ = nullptr, progress_ = nullptr;
    int lockDepth_ = 0;
    std::unique_ptr<TrayIcon> tray_;
};

}  // namespace lumo
