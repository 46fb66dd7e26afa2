// The shell's page operations: creating a page process with its own cookie
// folder and embedding its window, switching, selecting and closing pages,
// and the shell's side of the text commands.
//
// Every page's process life is a PageLife (shell/page_state.h) kept here
// beside its record; all transitions go through Apply() below. No call on
// the shell's thread waits on a page without a bound: pages re-parent and
// show themselves on posted requests, hiding and sizing are asynchronous,
// text commands to pages give up after a second, and liveness is checked by
// a callback ping, never by a blocking send.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "common/log.h"
#include "common/window_win.h"
#include "mainwindow/main_window_win.h"
#include "protocol/text_command.h"
#include "shell/cookie_redirect_win.h"
#include "shell/page_list.h"
#include "shell/page_notice_win.h"
#include "shell/page_process_win.h"
#include "shell/page_state.h"

namespace lumo {

inline constexpr DWORD kPageStartWaitMs = 3000;   // for the page window to appear
inline constexpr DWORD kPageEmbedWaitMs = 3000;   // then for it to embed itself
inline constexpr DWORD kPageHungAfterMs = 2000;   // unanswered ping: not responding
inline constexpr DWORD kPageCloseGraceMs = 1500;  // after WM_QUIT, then ended
inline constexpr char kCreatePageFailed[] = "创建页面失败!";
inline constexpr char kBlankTabCaption[] = "   空白页";
inline constexpr char kHungTabPrefix[] = "(未响应) ";
inline constexpr char kStoppedTabPrefix[] = "(已停止) ";
inline constexpr char kPageLimitReached[] = "已打开的页面太多，请先关闭一些页面。";
inline constexpr char kNoIsolationMessage[] =
    "注意：无法为新页面设置独立的Cookie目录，它与其他页面共用登录状态。";

// The first enabled top-level "TFormWebBrowser" window of process `pid`.
HWND FindPageWindow(DWORD pid);

class PageManager {
  public:
    struct CreateArgs {
        MainWindow* main = nullptr;
        std::string exePath;
        std::string programFolder;  // with trailing backslash
    };
    PageManager();
    ~PageManager();
    void Init(const CreateArgs& args);

    // Sender of the shell's own text commands to pages (the shared form).
    void SetCommandSender(HWND sender) { sender_ = sender; }

    // A page with a `proxy` sends every request through it: it never takes
    // the spare page or a blank page's process, which go out directly.
    void NewPage(int index, const std::string& address, bool activate, const std::string& bill,
                 const std::string& proxy = {}, const GameTag& game = {});
    // Called after every change that the session file records: a tab
    // opened, closed or moved, its label or its address changed.
    void SetTabsChanged(std::function<void()> onChange) { tabsChanged_ = std::move(onChange); }
    // True while a page start holds the cookie redirection or requests wait
    // for it: the next start would only queue.
    bool StartInProgress() const { return redirectOwner_ != 0 || !deferred_.empty(); }
    // How many more tabs can open now before the page limit (the spare
    // page, which a new tab takes, counts as free).
    int FreePageSlots() const;
    int pageLimit() const { return maxPages_; }
    // A saved game was renamed or recoloured: the tabs tagged with its
    // category and `oldName` take `game`'s tag.
    void RetagGame(const std::string& oldName, const GameTag& game);
    // Page 0 at once, blank; the maker's start page is fetched on a worker
    // thread and navigates it when it arrives.
    void StartFirstPage();
    void ShowPage(int index, int previous);
    void SwitchToPage(int index);
    void SelectPage(int index);
    void ClosePage(int index);
    // Main window closing: every page is asked to quit.
    void QuitAllPages();
    // Before the main window hides: pages that do not answer are parted
    // from the shell's input, so hiding does not wait on them.
    void PartSilentPages();
    // At close (and after the message loop, where it does nothing a second
    // time): a short grace, then every page process left is ended, the
    // cookie value and folders are cleaned up; nothing outlives the shell.
    void Shutdown();
    void LayoutTabs();
    void NewBlankTab();
    // Opens `address` in `page`: sent at once, or as soon as a starting page
    // is embedded. With `record` the page's address fields take it now
    // (otherwise they wait for the page's own report). A `bill` goes first,
    // so the page fills it in once the address has loaded.
    void Navigate(WbForm& page, const std::string& address, bool record = true,
                  const std::string& bill = {});

    void OnTabMouseDown(int index, int mouseButton);
    void OnTextCommand(HWND sender, const TextCommand& cmd);
    void OnNavButton(MainWindow::NavButton button);
    void OnPageAreaResized();
    void RunDeferredPages();

    PageList& pages() { return pages_; }
    // The proxy `page`'s process goes through ("" for none).
    std::string ProxyOf(const WbForm& page);
    int tabWidth() const { return tabWidth_; }
    bool pageOperationFinished() const { return finished_; }

  private:
    struct PageRun;
    struct Request {
        int index;
        std::string address;
        bool activate;
        std::string bill;
        std::string proxy;
        GameTag game;
    };
    class Host;

    void Apply(PageRun& run, PageEvent e);
    bool Launch(PageRun& run, bool newFolder);
    void ReleaseRedirect(uint32_t owner);
    void OnStartTick();
    void OnHeartbeat();
    void OnPageEnded(uint32_t id);
    void OnFirstPage(const std::string& address);
    static void CALLBACK PingAnswered(HWND, UINT, ULONG_PTR id, LRESULT);
    void OnPingAnswered(uint32_t id);
    void EndRun(PageRun& run);
    WbForm& AddTab(int index, uint32_t id, const std::string& address, const GameTag& game);
    void TabsChanged();
    void MakeCurrent(WbForm& page);
    void StartSpare();
    void DropSpare();
    bool TakeSpare(int index, const std::string& address, bool activate, const std::string& bill,
                   const GameTag& game);
    PageRun* ClaimSpare(const std::string& address, const std::string& bill);
    // A tab starting over in a fresh process on a fresh cookie folder
    // (shell/page_restart_win.cpp).
    void StartOver(WbForm& page, const std::string& address, const std::string& bill,
                   const std::string& proxy = {});
    void LaunchInTab(WbForm& page, PageRun& run);
    void RunWaitingRestarts();
    void OpenInBlankPage(WbForm& page, const std::string& address, const std::string& bill,
                         const std::string& proxy, const GameTag& game);
    void OnHeartbeatDone();
    void ShareInput(PageRun& run, bool share);
    static bool Silent(const PageRun& run, ULONGLONG now);
    void ReloadCurrent();
    void ShowRecord(WbForm& page);
    void HideRecord(WbForm& page);
    void UpdateTab(const WbForm& page);
    void UpdateNotice();
    void DropRecord(WbForm& page);
    void Report(const std::string& text);
    int LiveProcesses() const;
    PageRun* RunOf(const WbForm& page);
    PageRun* RunByWindow(HWND window);
    void FitToPageArea(HWND page);
    static HWND Hwnd(const WbForm& page) { return reinterpret_cast<HWND>(page.window); }

    CreateArgs args_;
    MainWindow* main_ = nullptr;
    HWND sender_ = nullptr;
    std::unique_ptr<Host> host_;
    PageNotice notice_;
    PageList pages_;
    std::map<uint32_t, std::unique_ptr<PageRun>> runs_;
    uint32_t nextId_ = 1;
    uint64_t nextHandover_ = 1;
    std::unique_ptr<CookieFolderRedirect> redirect_;
    uint32_t redirectOwner_ = 0;         // the page whose start holds the redirection
    std::set<std::string> usedFolders_;  // every folder handed out this run (lower case)
    int tabWidth_ = 100;
    bool finished_ = true;
    bool awaitingFirstPage_ = false;
    uint32_t firstPageId_ = 0;
    bool reloadWaiting_ = false;
    bool shutDown_ = false;
    int maxPages_ = kMaxPageProcesses;
    RequestRateLimit pageRequests_{8, 250};
    int droppedRequests_ = 0;
    std::deque<Request> deferred_;          // requests that arrived during a page start
    std::deque<uint32_t> restartsWaiting_;  // tabs starting over, after the start in progress
    uint32_t spareId_ = 0;                  // the spare page's run, 0: none
    bool spareEnabled_ = true;              // LUMO_NO_SPARE=1 turns it off
    bool firstPageUp_ = false;              // no spare during the start burst
    bool closing_ = false;
    std::function<void()> tabsChanged_;
};

// The first page's address: the maker's start-page list (ANSI text), fetched
// with a time limit and kept as Update\firstCF.ini; "about:blank" on any
// failure. Blocks: call it off the user-interface thread.
std::string PickFirstPage(const std::string& programFolder);

}  // namespace lumo
