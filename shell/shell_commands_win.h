// The shell's side of the main window's commands that reach pages: the
// address bar's "NT:" to the active page, closing tabs (remembered for
// reopening), the home button, the menu items and the browser shortcuts
// that pages hand over, and the save-game answer.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "mainwindow/main_window_win.h"
#include "protocol/shortcuts.h"
#include "shell/page_manager_win.h"
#include "shell/recently_closed.h"

namespace lumo {

class ShellCommands {
  public:
    struct CreateArgs {
        MainWindow* main = nullptr;
        PageManager* pages = nullptr;
        std::string exePath;
        std::string programFolder;
        HICON icon = nullptr;
        // An extra line for the about box (where the games are kept when
        // that is not the program folder); empty for none.
        std::string aboutNote;
    };
    void Init(const CreateArgs& args) { args_ = args; }

    std::string ActiveAddress() const;
    // "NT:" + address to the active page; `record` also stores the address
    // as the page's requested and current address.
    void OpenInActivePage(const std::string& address, bool record);
    void OpenNewPage(const std::string& address);
    void CloseTab(int index);
    void OnTabMouseDown(int index, int button);
    void OnNavButton(MainWindow::NavButton button);
    void Home();
    void OnMenu(MainWindow::MenuCommand cmd);
    void OnShortcut(Shortcut s);
    void ReopenClosedTab();
    // Text commands from pages and from a second shell. The current page's
    // title also goes to the status bar unless that shows a report.
    void OnTextCommand(HWND sender, const TextCommand& cmd);
    // A page's answer to the save-game request: "SBI:" + bill. Opens the
    // add-game dialog with the current page's title and address once the
    // send has returned.
    void OnSaveBill(HWND sender, const std::string& bill);

    RecentlyClosed& recentlyClosed() { return closed_; }

  private:
    CreateArgs args_;
    RecentlyClosed closed_;
};

}  // namespace lumo
