// The shell's page operations: creating a page process with its own cookie
// folder and embedding its window, switching, selecting and closing pages,
// and the shell's side of the text commands.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "mainwindow/main_window_win.h"
#include "shell/page_list.h"
#include "protocol/text_command.h"

namespace lumo {

inline constexpr DWORD kPageStartWaitMs = 3000;
inline constexpr char kCreatePageFailed[] = "创建页面失败!";
inline constexpr char kBlankTabCaption[] = "   空白页";

// The first enabled top-level "TFormWebBrowser" window of process `pid`.
HWND FindPageWindow(DWORD pid);

class PageManager {
  public:
    struct CreateArgs {
        MainWindow* main = nullptr;
        std::string exePath;
        std::string programFolder;  // with trailing backslash
    };
    void Init(const CreateArgs& args);

    // Sender of the shell's own text commands to pages (the shared form).
    void SetCommandSender(HWND sender) { sender_ = sender; }

    void NewPage(int index, const std::string& address, bool activate, const std::string& bill);
    void ShowPage(int index, int previous);
    void SwitchToPage(int index);
    void SelectPage(int index);
    void ClosePage(int index);
    void QuitAllPages();
    void LayoutTabs();
    void NewBlankTab();

    void OnTabMouseDown(int index, int mouseButton);
    void OnTextCommand(HWND sender, const TextCommand& cmd);
    void OnNavButton(MainWindow::NavButton button);
    void OnPageAreaResized();
    void RunDeferredPages();

    PageList& pages() { return pages_; }
    int tabWidth() const { return tabWidth_; }
    bool pageOperationFinished() const { return finished_; }

  private:
    void FitToPageArea(HWND page);
    static HWND Hwnd(const WbForm& page) { return reinterpret_cast<HWND>(page.window); }

    CreateArgs args_;
    MainWindow* main_ = nullptr;
    HWND sender_ = nullptr;
    PageList pages_;
    int tabWidth_ = 100;
    bool finished_ = true;
    bool creating_ = false;
    std::deque<std::string> deferred_;  // "NT:" that arrived during a page start
};

// The first page's address: the maker's start-page list, fetched with a time
// limit and kept as Update\firstCF.ini; "about:blank" on any failure.
std::string PickFirstPage(const std::string& programFolder);

}  // namespace lumo
