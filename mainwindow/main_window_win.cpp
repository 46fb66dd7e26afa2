// The main window: creation, its menu and tray, drawing locks and its messages.
#include "mainwindow/main_window_win.h"

#include <commctrl.h>

#include "common/file.h"
#include "common/guard.h"
#include "common/handle_win.h"
#include "common/log.h"
#include "common/on_demand_win.h"
#include "common/text_win.h"
#include "mainwindow/address_rules.h"
#include "mainwindow/main_window_ids_win.h"
#include "protocol/messages_win.h"
#include "protocol/text_command.h"

namespace lumo {

using namespace main_window_internal;

namespace {

HMENU BuildMainMenu() {
    HMENU menu = CreateMenu();
    auto sub = [&](const char* caption, std::initializer_list<std::pair<int, const char*>> items) {
        HMENU popup = CreatePopupMenu();
        for (auto [id, text] : items) {
            if (id == 0)
                AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(id), ToW(text).c_str());
        }
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), ToW(caption).c_str());
    };
    using MC = MainWindow::MenuCommand;
    sub("文件(&F)",
        {{kIdMenuSaveGame, "保存游戏(&S)"}, {0, ""}, {kIdMenuExit, "退出(&X)\tCtrl+Q"}});
    sub("查看(&V)", {{kIdMenuSidePanel, "显示/隐藏侧栏(&S)"}});
    sub("工具(&T)", {{static_cast<int>(MC::SetAsDefaultBrowser), "设为默认浏览器\tCtrl+F12"}});
    sub("帮助(&H)", {{static_cast<int>(MC::Help), "内容(&C)\tF1"},
                     {0, ""},
                     {static_cast<int>(MC::About), "关于(&A)"}});
    return menu;
}

}  // namespace

bool MainWindow::Create(const CreateArgs& args) {
    args_ = args;
    searchOrigin_ = args.searchOrigin;
    INITCOMMONCONTROLSEX icc{sizeof(icc),
                             ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ondemand::InitCommonControlsEx(&icc);
    Messages();
    if (!args_.programFolder.empty())
        CreateFolders(args_.programFolder + "UserData");
    menu_.reset(BuildMainMenu());

    // Maximised over the work area from the start (also without a window
    // manager that would do it on SW_SHOWMAXIMIZED).
    RECT work{0, 0, 1024, 700};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    FrameArgs f;
    f.className = kMainWindowClass;
    f.title = kMainWindowCaption;
    f.icon = args.icon;
    f.x = work.left;
    f.y = work.top;
    f.width = work.right - work.left;
    f.height = work.bottom - work.top;
    f.menu = menu_.get();
    if (!CreateFrame(f))
        return false;
    CreateControls();
    tray_ = std::make_unique<TrayIcon>(hwnd(), kTrayMessage, args_.icon, kMainWindowCaption);
    Layout();
    ShowWindow(hwnd(), args.showCmd);
    Layout();
    UpdateWindow(hwnd());
    return true;
}

void MainWindow::ResetZoomIndicator() {
    SetWindowTextW(zoomButton_, ToW(std::string(kZoomIndicatorText)).c_str());
}

void MainWindow::OnCloseButtonPlace(int left, int top, int target, bool show) {
    if (!show) {
        if (IsWindowVisible(closeBar_.hwnd()))
            ShowWindow(closeBar_.hwnd(), SW_HIDE);
        return;
    }
    closeTarget_ = target;
    SetWindowPos(closeBar_.hwnd(), HWND_TOP, Px(kTabNewBarWidth) + left, top, Px(kCloseButtonSize),
                 Px(kCloseButtonSize), SWP_SHOWWINDOW | SWP_NOACTIVATE);
    closeBar_.Repaint();
}

void MainWindow::ToggleSidePanel() {
    ShowWindow(sidePanel_.hwnd(), IsWindowVisible(sidePanel_.hwnd()) ? SW_HIDE : SW_SHOW);
    if (!IsWindowVisible(sidePanel_.hwnd()))
        sidePanel_.HideDeleteButton();
    Layout();
    if (args_.onPageAreaResized)
        args_.onPageAreaResized();
}

void MainWindow::OnMenuCommand(int id) {
    switch (id) {
        case kIdMenuSaveGame:
            if (args_.onNavButton)
                args_.onNavButton(NavButton::SaveGame);
            break;
        case kIdMenuExit:
            PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            break;
        case kIdMenuSidePanel:
            ToggleSidePanel();
            break;
        default:
            if (args_.onMenuCommand)
                args_.onMenuCommand(static_cast<MenuCommand>(id));
            break;
    }
}

void MainWindow::OnMinimizeClick() {
    // Minimised to the tray: no taskbar button remains.
    if (args_.onBeforeHide)
        args_.onBeforeHide();
    ShowWindow(hwnd(), SW_MINIMIZE);
    ShowWindow(hwnd(), SW_HIDE);
}

void MainWindow::ShowFromTray() {
    if (lockDepth_ > 0) {
        shownWhileLocked_ = true;
        return;
    }
    // Shown without erasing the children at once: a page that does not
    // answer would hold the shell's thread (they paint when they can).
    if (IsIconic(hwnd()))
        ShowWindow(hwnd(), SW_RESTORE);
    else
        SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         SWP_DEFERERASE);
    SetForegroundWindow(hwnd());
}

void MainWindow::HideForBossKey() {
    shownBeforeBossKey_ = lockDepth_ > 0 ? shownWhileLocked_ : IsWindowVisible(hwnd()) != FALSE;
    if (shownBeforeBossKey_) {
        if (args_.onBeforeHide)
            args_.onBeforeHide();
        if (lockDepth_ > 0)
            shownWhileLocked_ = false;
        else
            ShowWindow(hwnd(), SW_HIDE);
    }
    tray_.reset();  // removes the icon
}

void MainWindow::ShowAfterBossKey() {
    if (!tray_)
        tray_ = std::make_unique<TrayIcon>(hwnd(), kTrayMessage, args_.icon, kMainWindowCaption);
    if (shownBeforeBossKey_)
        ShowFromTray();
    shownBeforeBossKey_ = false;
}

void MainWindow::ShowTrayMenu() {
    UniqueMenu menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, kIdTrayShow, ToW("显示主窗体(&S)").c_str());
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, kIdTrayClose, ToW("关闭浏览器(&X)").c_str());
    POINT pt;
    GetCursorPos(&pt);
    SetForegroundWindow(hwnd());
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd(), nullptr);
}

void MainWindow::ToggleVisible() {
    // While drawing is locked the window only looks hidden (WM_SETREDRAW
    // takes WS_VISIBLE away); the wish is applied when the lock ends.
    if (lockDepth_ > 0) {
        shownWhileLocked_ = !shownWhileLocked_;
        return;
    }
    if (IsWindowVisible(hwnd())) {
        if (args_.onBeforeHide)
            args_.onBeforeHide();
        ShowWindow(hwnd(), SW_HIDE);
    } else
        ShowFromTray();
}

void MainWindow::SetAddressText(const std::string& text) {
    SetWindowTextW(addressBox_, ToW(text).c_str());
}

std::string MainWindow::addressText() const {
    int n = GetWindowTextLengthW(addressBox_);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(addressBox_, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return FromW(w);
}

void MainWindow::SetStatusText(const std::string& text) {
    status1_.SetText(text);
}

void MainWindow::SetCaption(const std::string& text) {
    SetWindowTextW(hwnd(), ToW(text).c_str());
}

void MainWindow::FocusPageArea() {
    SetFocus(pageArea_.hwnd());
}

void MainWindow::FocusAddressBox(bool selectAll) {
    SetFocus(addressBox_);
    if (selectAll)
        SendMessageW(addressBox_, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void MainWindow::HideCloseButton() {
    ShowWindow(closeBar_.hwnd(), SW_HIDE);
}

void MainWindow::LockUpdates() {
    if (lockDepth_++ == 0) {
        shownWhileLocked_ = IsWindowVisible(hwnd()) != FALSE;
        SendMessageW(hwnd(), WM_SETREDRAW, FALSE, 0);
    }
}

void MainWindow::UnlockUpdates() {
    if (lockDepth_ > 0 && --lockDepth_ == 0) {
        SendMessageW(hwnd(), WM_SETREDRAW, TRUE, 0);
        // Ending the lock shows the window again; it stays hidden when it
        // was hidden before or was hidden (tray) during the lock.
        if (!shownWhileLocked_) {
            ShowWindow(hwnd(), SW_HIDE);
            return;
        }
        RedrawWindow(hwnd(), nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COPYDATA: {
            if (closing_)
                return FALSE;  // a start handing over its address waits for the next shell
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
            if (cds && cds->cbData > kMaxTextCommandBytes) {
                LogWarn("shell",
                        "text command of " + std::to_string(cds->cbData) + " bytes refused");
                return FALSE;
            }
            if (cds && args_.onShortcut) {
                auto text = DecodeTextCommand(cds->dwData, cds->lpData, cds->cbData);
                if (auto shortcut = text ? ParseShortcutCommand(*text) : std::nullopt) {
                    Guarded([&] { args_.onShortcut(*shortcut); });
                    return TRUE;
                }
            }
            if (auto cmd = ReadTextCommand(lp); cmd && args_.onTextCommand)
                Guarded([&] { args_.onTextCommand(reinterpret_cast<HWND>(wp), *cmd); });
            // Every text command, handled or not, repaints the tab strip.
            InvalidateRect(tabs_.hwnd(), nullptr, FALSE);
            return TRUE;
        }
        case WM_COMMAND: {
            int id = LOWORD(wp);
            if (id >= kIdNavFirst && id < kIdNavFirst + kNavButtons) {
                if (args_.onNavButton)
                    args_.onNavButton(static_cast<NavButton>(id - kIdNavFirst));
            } else if (id == kIdGo) {
                Go();
            } else if (id == kIdSearch) {
                Search();
            } else if (id == kIdAddressBox && HIWORD(wp) == CBN_SELCHANGE) {
                // CBURLClick: a pick from the history opens it.
                int sel = static_cast<int>(SendMessageW(addressBox_, CB_GETCURSEL, 0, 0));
                if (sel >= 0 && sel < static_cast<int>(history_.size())) {
                    SetAddressText(history_[static_cast<size_t>(sel)]);
                    Go();
                }
            } else if (id == kIdNewTabFlow || id == kIdTabNew) {
                if (args_.onNewTab)
                    args_.onNewTab();
                ResetZoomIndicator();
            } else if (id == kIdTabClose) {
                HideCloseButton();
                int target = closeTarget_;
                if (args_.onCloseTab && target >= 0)
                    args_.onCloseTab(target);
                HideCloseButton();
            } else if (id == kIdTrayShow) {
                ShowFromTray();
            } else if (id == kIdTrayClose) {
                PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            } else if (id == kIdFavorites) {
                ToggleSidePanel();
            } else {
                return FrameBase::HandleMessage(msg, wp, lp);
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            // Minimising goes through the frame's own button and the tray.
            if ((wp & 0xFFF0) == SC_MINIMIZE)
                return 0;
            return FrameBase::HandleMessage(msg, wp, lp);
        case kTrayMessage:
            if (lp == WM_LBUTTONDBLCLK)
                ToggleVisible();
            if (lp == WM_RBUTTONDOWN)
                ShowTrayMenu();
            return 0;
        case kTrayLegacyMessage: {
            LRESULT r = FrameBase::HandleMessage(msg, wp, lp);
            if (lp == WM_RBUTTONUP)
                ShowTrayMenu();
            if (lp == WM_LBUTTONUP)
                ShowFromTray();
            return r;
        }
        case kRunDeferredMessage:
            if (args_.onRunDeferred)
                args_.onRunDeferred();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && !firstActivationDone_ && args_.onFirstActivation) {
                firstActivationDone_ = GuardedOr(false, [&] { return args_.onFirstActivation(); });
                if (firstActivationDone_)
                    Guarded([&] { sidePanel_.CreateHotGamesPage(); });
            }
            return FrameBase::HandleMessage(msg, wp, lp);
        case WM_CLOSE:
            // Pages first (hung ones are ended), then the window goes at
            // once; the tray icon's slow removal follows. From here on a
            // second start neither finds this window (it is disabled) nor
            // hands it an address.
            if (closing_)
                return 0;
            closing_ = true;
            EnableWindow(hwnd(), FALSE);
            if (args_.onClose)
                args_.onClose();
            ShowWindow(hwnd(), SW_HIDE);
            if (tray_)
                tray_->Remove();
            DestroyWindow(hwnd());
            return 0;
        default:
            if (tray_ && tray_->HandleMessage(msg))
                return 0;
            return FrameBase::HandleMessage(msg, wp, lp);
    }
}

void MainWindow::OnDestroyed() {
    PostQuitMessage(0);
}

}  // namespace lumo
