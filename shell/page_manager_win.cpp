// A page start no longer holds the shell's thread: the process is started,
// then a 15 ms timer looks for its window, asks the page to embed itself and
// watches it arrive. The per-user cookie value stays redirected from the
// start until the page window exists (WinInet has read it by then), and one
// start at a time holds it: requests that arrive meanwhile wait in order,
// with their bill, index and activation.
#include "shell/page_manager_win.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "common/cmdline.h"
#include "common/file.h"
#include "common/guard.h"
#include "common/handle_win.h"
#include "common/http.h"
#include "common/ini.h"
#include "common/maker.h"
#include "common/text.h"
#include "common/text_win.h"
#include "protocol/messages_win.h"
#include "protocol/roles.h"
#include "protocol/window_names.h"
#include "shell/cookie_journal.h"
#include "shell/shell_process_win.h"

namespace lumo {

namespace {

constexpr UINT_PTR kStartTimer = 1, kHeartbeatTimer = 2;
constexpr UINT kStartTickMs = 15, kHeartbeatMs = 500;
constexpr DWORD kCloseGraceMs = 700;  // for all pages together when the shell closes

PageManager* g_manager = nullptr;  // for the ping callback; one per shell

// Seconds since midnight plus a random number up to 9999.
double ClockSeed() {
    static std::mt19937 rng(std::random_device{}());
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond +
           std::uniform_int_distribution<int>(0, 9999)(rng);
}

std::string PidText(DWORD pid) {
    return "pid " + std::to_string(pid);
}

// Waits for `process` up to `ms`, answering messages sent to this thread
// meanwhile: a page that ends destroys its window, which may notify its
// parent here, and must not be kept waiting on us.
bool WaitAnswering(HANDLE process, DWORD ms) {
    ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        ULONGLONG now = GetTickCount64();
        DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + 1)
            return false;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

struct PageManager::PageRun {
    uint32_t id = 0;
    PageLife life;
    std::unique_ptr<PageProcess> process;
    HWND window = nullptr;
    std::string folder;
    std::string address;  // the address it was started for
    std::string bill;
    LogTimer startTimer;
    bool embedAsked = false;
    bool pingOutstanding = false;
    ULONGLONG pingSent = 0;
    ULONGLONG closeAt = 0;
    bool userWaits = false;      // "wait" chosen for this hang
    bool inputDetached = false;  // its input state parted from the shell's while hung
    std::string pendingNavigate;
};

// A message-only window that receives the timers, the process watches and
// the start page for the page manager.
class PageManager::Host : public Window {
  public:
    explicit Host(PageManager& owner) : owner_(owner) {}
    bool Create() {
        WindowCreateArgs w;
        w.className = L"LumoPageHost";
        w.style = 0;
        w.parent = HWND_MESSAGE;
        w.x = w.y = w.width = w.height = 0;
        return CreateWindowFrom(w);
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_TIMER:
                if (wp == kStartTimer) {
                    owner_.OnStartTick();
                } else if (wp == kHeartbeatTimer) {
                    owner_.OnHeartbeat();
                    owner_.OnHeartbeatDone();
                }
                return 0;
            case kPageEndedMessage:
                owner_.OnPageEnded(static_cast<uint32_t>(wp));
                return 0;
            case kFirstPageMessage: {
                std::unique_ptr<std::string> address(reinterpret_cast<std::string*>(lp));
                owner_.OnFirstPage(*address);
                return 0;
            }
            case kRunDeferredMessage:
                owner_.RunDeferredPages();
                return 0;
            default:
                return Window::HandleMessage(msg, wp, lp);
        }
    }

  private:
    PageManager& owner_;
};

HWND FindPageWindow(DWORD pid) {
    return FindEnabledProcessWindow(pid, kPageWindowClass);
}

PageManager::PageManager() = default;

PageManager::~PageManager() {
    if (g_manager == this)
        g_manager = nullptr;
}

void PageManager::Init(const CreateArgs& args) {
    args_ = args;
    main_ = args.main;
    sender_ = main_->hwnd();
    g_manager = this;
    // The page area never paints over its page windows (they belong to
    // other processes and paint themselves).
    HWND area = main_->pageArea();
    SetWindowLongW(area, GWL_STYLE, GetWindowLongW(area, GWL_STYLE) | WS_CLIPCHILDREN);
    host_ = std::make_unique<Host>(*this);
    host_->Create();
    SetTimer(host_->hwnd(), kHeartbeatTimer, kHeartbeatMs, nullptr);
    notice_.Create(main_->pageArea(), {[this] {
                                           if (WbForm* p = pages_.current())
                                               if (PageRun* run = RunOf(*p))
                                                   run->userWaits = true;
                                           UpdateNotice();
                                       },
                                       [this] {
                                           if (WbForm* p = pages_.current())
                                               if (PageRun* run = RunOf(*p); run && run->process) {
                                                   LogWarn("page", PidText(run->process->pid()) +
                                                                       " ended by the user");
                                                   run->process->Terminate(1);
                                               }
                                       },
                                       [this] { ReloadCurrent(); }});
    wchar_t noSpare[4];
    if (DWORD n = GetEnvironmentVariableW(L"LUMO_NO_SPARE", noSpare, 4);
        n == 1 && noSpare[0] == L'1')
        spareEnabled_ = false;
    wchar_t limit[16];
    if (DWORD n = GetEnvironmentVariableW(L"LUMO_PAGE_LIMIT", limit, 16); n > 0 && n < 16)
        maxPages_ = std::clamp(_wtoi(limit), 1, kMaxPageProcesses);
}

PageManager::PageRun* PageManager::RunOf(const WbForm& page) {
    auto it = runs_.find(page.pageId);
    return it == runs_.end() ? nullptr : it->second.get();
}

PageManager::PageRun* PageManager::RunByWindow(HWND window) {
    if (!window)
        return nullptr;
    for (auto& [id, run] : runs_)
        if (run->window == window)
            return run.get();
    return nullptr;
}

int PageManager::LiveProcesses() const {
    int n = 0;
    for (const auto& [id, run] : runs_)
        if (run->process && !run->process->Ended())
            ++n;
    return n;
}

void PageManager::Report(const std::string& text) {
    main_->SetStatusText(" " + text);
}

void PageManager::FitToPageArea(HWND page) {
    if (!page)
        return;
    RECT rc;
    GetClientRect(main_->pageArea(), &rc);
    // Asynchronous: the page sizes itself when it gets to it.
    SetWindowPos(page, nullptr, 0, 0, rc.right, rc.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

// Every state change of a page goes through here.
void PageManager::Apply(PageRun& run, PageEvent e) {
    PageState before = run.life.state();
    if (!run.life.Apply(e) || run.life.state() == before)
        return;
    PageState now = run.life.state();
    DWORD pid = run.process ? run.process->pid() : 0;
    switch (now) {
        case PageState::Embedded:
            LogInfo("page", PidText(pid) + " window embedded after " +
                                std::to_string(run.startTimer.Ms()) + " ms");
            break;
        case PageState::Hung:
            LogWarn("page", PidText(pid) + " not responding");
            run.userWaits = false;
            ShareInput(run, false);
            break;
        case PageState::Crashed:
            LogError("page", PidText(pid) + " stopped unexpectedly, exit code " +
                                 std::to_string(run.process ? run.process->ExitCode() : 0) +
                                 " after " +
                                 std::to_string(run.process ? run.process->LivedMs() : 0) + " ms");
            run.window = nullptr;
            break;
        case PageState::Ended:
            if (run.process)
                LogInfo("page", PidText(pid) + " ended, exit code " +
                                    std::to_string(run.process->ExitCode()) + ", lived " +
                                    std::to_string(run.process->LivedMs()) + " ms");
            run.window = nullptr;
            break;
        default:
            if (before == PageState::Hung) {
                LogInfo("page", PidText(pid) + " responds again");
                ShareInput(run, true);
            }
            break;
    }
    for (int i = 0; i < pages_.Count(); ++i) {
        WbForm& page = pages_.At(i);
        if (page.pageId != run.id)
            continue;
        if (!run.life.HasWindow())
            page.window = 0;
        UpdateTab(page);
    }
    UpdateNotice();
}

void PageManager::UpdateTab(const WbForm& page) {
    const PageRun* run = const_cast<PageManager*>(this)->RunOf(page);
    std::string caption = page.tabTitle;
    if (run && run->life.state() == PageState::Hung)
        caption = kHungTabPrefix + caption;
    else if (run && run->life.state() == PageState::Crashed)
        caption = kStoppedTabPrefix + caption;
    int at = pages_.IndexOf(&page);
    if (at >= 0)
        main_->tabs().SetCaption(at, caption);
}

void PageManager::UpdateNotice() {
    PageNotice::Kind kind = PageNotice::Kind::None;
    if (WbForm* page = pages_.current())
        if (PageRun* run = RunOf(*page)) {
            if (run->life.state() == PageState::Hung && !run->userWaits)
                kind = PageNotice::Kind::Hung;
            else if (run->life.state() == PageState::Crashed)
                kind = PageNotice::Kind::Stopped;
        }
    if (kind != notice_.kind() || kind != PageNotice::Kind::None)
        notice_.Show(kind);
}

// A page shares the shell's input state (focus and keys cross between
// them); a hung page must not hold the shell's keyboard, so it is parted
// while it does not answer. The call runs in the shell and does not wait on
// the page.
void PageManager::ShareInput(PageRun& run, bool share) {
    if (!run.window || share != run.inputDetached)
        return;
    DWORD pageThread = GetWindowThreadProcessId(run.window, nullptr);
    if (!pageThread)
        return;
    if (AttachThreadInput(pageThread, GetCurrentThreadId(), share ? TRUE : FALSE) || !share)
        run.inputDetached = !share;
    // Parting takes the focus from the page's window (the page keeps its
    // own); the shell's keys go to the address box meanwhile.
    if (!share && GetFocus() == nullptr && GetActiveWindow() == main_->hwnd())
        main_->FocusAddressBox(false);
}

bool PageManager::Launch(PageRun& run, bool newFolder) {
    auto redirect = std::make_unique<CookieFolderRedirect>();
    bool keyOpen = redirect->Open();
    if (newFolder) {
        run.folder.clear();
        if (keyOpen) {
            run.folder = MakeCookieFolder(
                args_.programFolder, ClockSeed, [](const std::string& p) { return FileExists(p); },
                usedFolders_);
            usedFolders_.insert(AsciiLower(run.folder));
        } else {
            LogError("cookies",
                     "cookie folder key cannot be opened; page starts without isolation");
        }
    }
    bool redirected = false;
    if (!run.folder.empty() && keyOpen) {
        CreateFolders(args_.programFolder + "cookies");
        redirected = redirect->Redirect(run.folder, CookieJournalPath(args_.programFolder));
        // Without the journal (a read-only program folder) the value is not
        // touched: the page starts, without isolation.
        if (!redirected)
            run.folder.clear();
    }
    PageLaunch launch{
        args_.exePath, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(main_->hwnd())),
        run.address, run.folder.empty() ? std::string(kNoCookieFolder) : run.folder, run.bill};
    uint64_t handoverNumber =
        (static_cast<uint64_t>(GetCurrentProcessId()) << 24) + nextHandover_++;
    std::string handover = HandoverPath(args_.programFolder, handoverNumber);
    auto line = BuildPageCommandLine(launch, handover);
    if (!line) {
        LogError("page", "page command line cannot be built");
        return false;
    }
    if (!line->handoverPath.empty() && !(CreateFolders(HandoverFolder(args_.programFolder)) &&
                                         WriteFileBytes(line->handoverPath, line->handoverBody))) {
        LogError("page", "hand-over file cannot be written");
        return false;
    }
    run.process = std::make_unique<PageProcess>();
    run.startTimer = LogTimer();
    if (!run.process->Start(args_.exePath, line->line)) {
        LogError("page", "page process cannot be started");
        if (!line->handoverPath.empty())
            DeleteFileW(ToW(line->handoverPath).c_str());
        run.process.reset();
        return false;  // the redirection goes back with `redirect`
    }
    run.process->Watch(host_->hwnd(), kPageEndedMessage, run.id);
    run.window = nullptr;
    run.embedAsked = false;
    run.pingOutstanding = false;
    LogInfo("page", PidText(run.process->pid()) + " started for " + RedactAddress(run.address) +
                        (run.folder.empty() ? " without a cookie folder of its own" : ""));
    if (redirected) {
        redirect_ = std::move(redirect);
        redirectOwner_ = run.id;
    }
    SetTimer(host_->hwnd(), kStartTimer, kStartTickMs, nullptr);
    return true;
}

void PageManager::ReleaseRedirect(uint32_t owner) {
    if (redirectOwner_ != owner || !redirect_)
        return;
    redirect_->Restore();
    redirect_.reset();
    redirectOwner_ = 0;
    if (!deferred_.empty() || reloadWaiting_)
        PostMessageW(host_->hwnd(), kRunDeferredMessage, 0, 0);
}

void PageManager::NewPage(int index, const std::string& address, bool activate,
                          const std::string& bill) {
    if (!awaitingFirstPage_ && BlankPageGuardBlocks(pages_, address)) {
        // The blank current page takes the address instead of a new tab.
        if (WbForm* current = pages_.current())
            Navigate(*current, address);
        return;
    }
    if (TakeSpare(index, address, activate, bill))
        return;
    if (redirectOwner_ != 0) {
        if (static_cast<int>(deferred_.size()) + LiveProcesses() >= maxPages_) {
            if (droppedRequests_++ % 100 == 0)
                LogWarn("page", "page limit reached; request dropped");
            Report(kPageLimitReached);
            return;
        }
        deferred_.push_back({index, address, activate, bill});
        return;
    }
    if (LiveProcesses() >= maxPages_) {
        if (droppedRequests_++ % 100 == 0)
            LogWarn("page", "page limit of " + std::to_string(maxPages_) + " reached");
        Report(kPageLimitReached);
        return;
    }
    finished_ = false;
    main_->LockUpdates();
    Guarded([&] {
        auto owned = std::make_unique<PageRun>();
        PageRun& run = *owned;
        run.id = nextId_++;
        run.address = address;
        run.bill = bill;
        runs_[run.id] = std::move(owned);
        WbForm& page = AddTab(index, run.id, address);

        if (!Launch(run, true)) {
            // A page without a process is no page: no dead tab.
            int at = pages_.IndexOf(&page);
            pages_.Remove(at);
            main_->tabs().Remove(at);
            runs_.erase(run.id);
            if (pages_.current() == nullptr && !pages_.Empty())
                pages_.SetCurrent(std::clamp(pages_.currentIndex(), 0, pages_.Count() - 1));
            LayoutTabs();
            Report(kCreatePageFailed);
            return;
        }
        page.cookieFolder = run.folder;
        page.processId = run.process->pid();
        if (run.folder.empty())
            Report(kNoIsolationMessage);
        if (activate || pages_.current() == nullptr)
            MakeCurrent(page);
        LayoutTabs();
        UpdateNotice();
    });
    main_->UnlockUpdates();
    finished_ = true;
}

WbForm& PageManager::AddTab(int index, uint32_t id, const std::string& address) {
    // Make room for one more tab before it appears.
    int count = pages_.Count();
    int fitted = PrefitTabWidth(main_->TabMetrics(), main_->TabStripWidth() + 35, count, tabWidth_);
    if (fitted != tabWidth_) {
        tabWidth_ = fitted;
        main_->tabs().SetButtonWidth(tabWidth_);
    }
    index = std::clamp(index, 0, count);
    main_->tabs().Insert(index, kBlankTabCaption);
    auto record = std::make_unique<WbForm>();
    record->pageId = id;
    record->address = address;
    record->requestedAddress = address;
    record->tabTitle = kBlankTabCaption;
    return pages_.Insert(index, std::move(record));
}

void PageManager::MakeCurrent(WbForm& page) {
    int at = pages_.IndexOf(&page);
    if (WbForm* previous = pages_.current(); previous && previous != &page)
        HideRecord(*previous);
    pages_.SetCurrent(at);
    main_->tabs().SetActive(at);
    main_->SetAddressText(page.address);
}

// The spare page: one page process started ahead of need on a fresh cookie
// folder of its own, embedded and hidden, without a tab. A new page takes
// it, so only its address (and bill) travel; the next spare starts on a
// later heartbeat. It counts toward the page limit (it is a process), and a
// reload never takes it (a reloaded page keeps its own folder).
void PageManager::StartSpare() {
    if (!spareEnabled_ || spareId_ != 0 || !firstPageUp_ || closing_ || redirectOwner_ != 0 ||
        !deferred_.empty() || reloadWaiting_ || LiveProcesses() >= maxPages_)
        return;
    auto owned = std::make_unique<PageRun>();
    PageRun& run = *owned;
    run.id = nextId_++;
    run.address = kBlankAddress;
    runs_[run.id] = std::move(owned);
    if (!Launch(run, true)) {
        runs_.erase(run.id);
        spareEnabled_ = false;
        LogWarn("page", "spare page cannot be started; new pages start on request");
        return;
    }
    spareId_ = run.id;
    if (run.folder.empty()) {
        // Without a folder of its own it is no spare.
        spareEnabled_ = false;
        DropSpare();
    }
}

void PageManager::DropSpare() {
    auto it = runs_.find(spareId_);
    spareId_ = 0;
    if (it != runs_.end())
        EndRun(*it->second);
}

bool PageManager::TakeSpare(int index, const std::string& address, bool activate,
                            const std::string& bill) {
    auto it = runs_.find(spareId_);
    if (it == runs_.end())
        return false;
    PageRun& run = *it->second;
    if (run.life.state() != PageState::Starting || !run.window || run.embedAsked)
        return false;
    spareId_ = 0;
    run.address = address;
    run.bill = bill;
    run.embedAsked = true;
    run.startTimer = LogTimer();  // the embed's time limit runs from here
    // The bill first, so the page fills it in when the address has loaded.
    if ((!bill.empty() && !SendCopyData(run.window, sender_, std::string(kPrefixFillBill) + bill,
                                        kPageCommandTimeoutMs)) ||
        !SendCopyData(run.window, sender_, std::string(kPrefixNewTab) + address,
                      kPageCommandTimeoutMs)) {
        LogWarn("page", PidText(run.process->pid()) + " spare did not take its address; ended");
        EndRun(run);
        return false;
    }
    PostMessageW(run.window, Messages().embed, reinterpret_cast<WPARAM>(main_->pageArea()), 0);
    finished_ = false;
    main_->LockUpdates();
    Guarded([&] {
        WbForm& page = AddTab(index, run.id, address);
        page.cookieFolder = run.folder;
        page.processId = run.process->pid();
        page.window = reinterpret_cast<uintptr_t>(run.window);
        if (activate || pages_.current() == nullptr) {
            MakeCurrent(page);
            // In order behind the embed request: the page shows itself once
            // it is in place (the start timer records the state).
            PostCommand(run.window, Messages().operate);
        }
        LayoutTabs();
        UpdateNotice();
    });
    main_->UnlockUpdates();
    finished_ = true;
    SetTimer(host_->hwnd(), kStartTimer, kStartTickMs, nullptr);
    LogInfo("page", PidText(run.process->pid()) + " spare taken for " + RedactAddress(address));
    return true;
}

void PageManager::StartFirstPage() {
    awaitingFirstPage_ = true;
    NewPage(0, kBlankAddress, true, "");
    if (!pages_.Empty())
        firstPageId_ = pages_.At(0).pageId;
    HWND host = host_->hwnd();
    std::string folder = args_.programFolder;
    std::thread([host, folder] {
        auto* address = new std::string(PickFirstPage(folder));
        if (!PostMessageW(host, kFirstPageMessage, 0, reinterpret_cast<LPARAM>(address)))
            delete address;
    }).detach();
}

void PageManager::OnFirstPage(const std::string& address) {
    awaitingFirstPage_ = false;
    if (pages_.Empty() || pages_.At(0).pageId != firstPageId_)
        return;
    WbForm& page = pages_.At(0);
    if (Trim(address).empty() || EqualsNoCase(Trim(address), kBlankAddress) ||
        !EqualsNoCase(page.requestedAddress, kBlankAddress))
        return;
    Navigate(page, address);
}

void PageManager::Navigate(WbForm& page, const std::string& address, bool record) {
    if (record) {
        page.requestedAddress = address;
        page.address = address;
        if (&page == pages_.current())
            main_->SetAddressText(address);
    }
    PageRun* run = RunOf(page);
    if (!run)
        return;
    run->address = address;
    if (run->life.state() == PageState::Starting) {
        run->pendingNavigate = address;
    } else if (run->life.HasWindow() && run->life.state() != PageState::Hung) {
        SendCopyData(run->window, sender_, std::string(kPrefixNewTab) + address,
                     kPageCommandTimeoutMs);
    } else if (run->life.state() == PageState::Crashed && &page == pages_.current()) {
        ReloadCurrent();
    }
}

void PageManager::OnStartTick() {
    bool starting = false;
    for (auto it = runs_.begin(); it != runs_.end();) {
        PageRun& run = *it->second;
        ++it;
        if (run.life.state() != PageState::Starting || !run.process)
            continue;
        if (!run.window) {
            if (HWND w = FindPageWindow(run.process->pid())) {
                run.window = w;
                // Known before it is embedded, so its first reports count.
                for (int i = 0; i < pages_.Count(); ++i)
                    if (pages_.At(i).pageId == run.id)
                        pages_.At(i).window = reinterpret_cast<uintptr_t>(w);
                LogInfo("page", PidText(run.process->pid()) + " window found after " +
                                    std::to_string(run.startTimer.Ms()) + " ms");
                // WinInet of the page has read its folder by now.
                ReleaseRedirect(run.id);
            }
        }
        if (run.id == spareId_) {
            if (run.window)
                continue;  // waits, not embedded, until a new page takes it
        } else if (run.window && !run.embedAsked) {
            run.embedAsked = true;
            PostMessageW(run.window, Messages().embed, reinterpret_cast<WPARAM>(main_->pageArea()),
                         0);
        }
        if (run.window && GetParent(run.window) == main_->pageArea()) {
            for (int i = 0; i < pages_.Count(); ++i)
                if (pages_.At(i).pageId == run.id)
                    pages_.At(i).window = reinterpret_cast<uintptr_t>(run.window);
            Apply(run, PageEvent::WindowFound);
            firstPageUp_ |= run.id == firstPageId_;
            WbForm* current = pages_.current();
            if (current && current->pageId == run.id)
                ShowRecord(*current);
            else
                Apply(run, PageEvent::Hide);
            if (!run.pendingNavigate.empty()) {
                SendCopyData(run.window, sender_, std::string(kPrefixNewTab) + run.pendingNavigate,
                             kPageCommandTimeoutMs);
                run.pendingNavigate.clear();
            }
            continue;
        }
        long long waited = run.startTimer.Ms();
        if ((!run.window && waited > kPageStartWaitMs) ||
            waited > kPageStartWaitMs + kPageEmbedWaitMs) {
            // Never came up: the process must not linger, the tab goes.
            LogWarn("page", PidText(run.process->pid()) + " window not " +
                                (run.window ? "embedded" : "found") + " in time; ended");
            ReleaseRedirect(run.id);
            if (run.id == spareId_) {
                DropSpare();
                continue;
            }
            for (int i = 0; i < pages_.Count(); ++i)
                if (pages_.At(i).pageId == run.id) {
                    DropRecord(pages_.At(i));
                    break;
                }
            Report(kCreatePageFailed);
            continue;
        }
    }
    // Scanned again: a start may have begun while a text command above
    // waited (the sends let other requests in).
    for (const auto& [id, run] : runs_)
        starting |= run->life.state() == PageState::Starting && run->process &&
                    !(id == spareId_ && run->window);
    if (!starting)
        KillTimer(host_->hwnd(), kStartTimer);
}

// Takes a page's record and tab away and ends its process.
void PageManager::DropRecord(WbForm& page) {
    PageRun* run = RunOf(page);
    int at = pages_.IndexOf(&page);
    bool wasCurrent = &page == pages_.current();
    pages_.Remove(at);
    main_->tabs().Remove(at);
    if (wasCurrent || pages_.current() == nullptr) {
        if (!pages_.Empty()) {
            int next = std::clamp(at - 1, 0, pages_.Count() - 1);
            pages_.SetCurrent(next);
            main_->tabs().SetActive(next);
            ShowRecord(pages_.At(next));
        }
    } else {
        pages_.SetCurrent(pages_.IndexOf(pages_.current()));
    }
    LayoutTabs();
    if (run)
        EndRun(*run);
}

// Asks the page's process to quit; a grace period later it is ended.
void PageManager::EndRun(PageRun& run) {
    ReleaseRedirect(run.id);
    PageState before = run.life.state();
    Apply(run, PageEvent::Close);
    if (run.life.state() == PageState::Closing) {
        run.closeAt = GetTickCount64();
        if (run.window && before != PageState::Hung)
            PostMessageW(run.window, WM_QUIT, 0, 0);
        else if (run.process)
            run.process->Terminate(0);  // nothing to ask: no window, or it does not answer
    } else if (run.life.state() == PageState::Ended) {
        OnPageEnded(run.id);  // the process is gone already
    }
}

void PageManager::OnPageEnded(uint32_t id) {
    auto it = runs_.find(id);
    if (it == runs_.end())
        return;
    PageRun& run = *it->second;
    if (run.process && !run.process->Ended())
        return;  // a stale watch of an earlier process of a reloaded page
    ReleaseRedirect(id);
    Apply(run, PageEvent::ProcessEnded);
    if (id == spareId_) {
        spareId_ = 0;  // no tab to show it in: simply gone
        Apply(run, PageEvent::Close);
    }
    if (run.life.state() != PageState::Ended)
        return;  // Crashed: the tab stays with its stopped view
    // The folder is removed by the shell itself once the process is gone,
    // unless an open page uses it.
    bool inUse = false;
    for (int i = 0; i < pages_.Count(); ++i)
        inUse |= pages_.At(i).pageId != id && !run.folder.empty() &&
                 EqualsNoCase(pages_.At(i).cookieFolder, run.folder);
    if (!inUse && !run.folder.empty() && !RemoveFolderTree(run.folder))
        LogWarn("cookies", "folder of an ended page could not be removed");
    runs_.erase(it);
}

void PageManager::OnHeartbeat() {
    ULONGLONG now = GetTickCount64();
    for (auto& [id, runPtr] : runs_) {
        PageRun& run = *runPtr;
        if (run.life.state() == PageState::Closing) {
            if (run.process && !run.process->Ended() && now - run.closeAt > kPageCloseGraceMs) {
                LogWarn("page", PidText(run.process->pid()) + " did not quit in time; ended");
                run.process->Terminate(0);
            }
            continue;
        }
        if (!run.life.HasWindow() || !run.window)
            continue;
        if (run.pingOutstanding) {
            if (run.life.state() != PageState::Hung && now - run.pingSent > kPageHungAfterMs)
                Apply(run, PageEvent::NoAnswer);
        } else if (SendMessageCallbackW(run.window, WM_NULL, 0, 0, PingAnswered, run.id)) {
            run.pingOutstanding = true;
            run.pingSent = now;
        }
    }
}

void PageManager::OnHeartbeatDone() {
    StartSpare();
}

void CALLBACK PageManager::PingAnswered(HWND, UINT, ULONG_PTR id, LRESULT) {
    if (g_manager)
        g_manager->OnPingAnswered(static_cast<uint32_t>(id));
}

void PageManager::OnPingAnswered(uint32_t id) {
    auto it = runs_.find(id);
    if (it == runs_.end())
        return;
    PageRun& run = *it->second;
    run.pingOutstanding = false;
    Apply(run, PageEvent::Answers);
    if (run.life.state() != PageState::Hung)
        ShareInput(run, true);  // parted while silent: together again
}

void PageManager::ReloadCurrent() {
    WbForm* page = pages_.current();
    PageRun* run = page ? RunOf(*page) : nullptr;
    if (!run || run->life.state() != PageState::Crashed)
        return;
    if (redirectOwner_ != 0) {
        reloadWaiting_ = true;  // after the start in progress
        return;
    }
    reloadWaiting_ = false;
    if (!page->address.empty())
        run->address = page->address;
    run->bill.clear();  // the account comes back through its cookie folder
    run->pendingNavigate.clear();
    Apply(*run, PageEvent::Reload);
    // Same address, same cookie folder: the account stays logged in.
    auto old = std::move(run->process);
    if (!Launch(*run, false)) {
        run->process = std::move(old);
        Apply(*run, PageEvent::ProcessEnded);
        Report(kCreatePageFailed);
    }
}

void PageManager::RunDeferredPages() {
    if (reloadWaiting_ && redirectOwner_ == 0)
        ReloadCurrent();
    while (!deferred_.empty() && redirectOwner_ == 0) {
        Request r = std::move(deferred_.front());
        deferred_.pop_front();
        NewPage(r.index, r.address, r.activate, r.bill);
    }
}

void PageManager::ShowRecord(WbForm& page) {
    PageRun* run = RunOf(page);
    if (!run)
        return;
    Apply(*run, PageEvent::Show);
    if (run->window && run->life.HasWindow()) {
        // The page shows and sizes itself.
        PostCommand(run->window, Messages().operate);
    }
}

void PageManager::HideRecord(WbForm& page) {
    PageRun* run = RunOf(page);
    if (!run)
        return;
    Apply(*run, PageEvent::Hide);
    // Posted like the show message, so the two arrive in order.
    if (run->window)
        PostMessageW(run->window, Messages().hide, 0, 0);
    // A hung page carries it out only once it runs again (nothing the shell
    // can do to another process's window hides it without waiting for it);
    // meanwhile the page shown puts itself on top and covers it.
}

void PageManager::ShowPage(int index, int previous) {
    if (index == previous || !pages_.Valid(index))
        return;
    WbForm& page = pages_.At(index);
    if (WbForm* current = pages_.current(); current && current != &page)
        HideRecord(*current);
    pages_.SetCurrent(index);
    main_->tabs().SetActive(index);
    ShowRecord(page);
    UpdateNotice();
    main_->SetStatusText(page.tabTitle);
    main_->SetAddressText(page.address);
}

void PageManager::SwitchToPage(int index) {
    ShowPage(index, pages_.currentIndex());
    if (WbForm* current = pages_.current())
        FitToPageArea(Hwnd(*current));
}

void PageManager::SelectPage(int index) {
    if (!pages_.Empty()) {
        finished_ = false;
        if (index >= kCurrentPageIndex)
            index = pages_.currentIndex();
        if (pages_.Valid(index)) {
            pages_.SetCurrent(index);
            main_->tabs().SetActive(index);
            WbForm& page = pages_.At(index);
            ShowRecord(page);
            UpdateNotice();
            SelectView view = ComputeSelectView(page, pages_.Count());
            main_->SetCaption(view.caption);
            main_->SetStatusText(view.status);
            main_->SetAddressText(view.addressBox);
            if (view.focusPage) {
                main_->FocusPageArea();
            } else {
                main_->FocusAddressBox(true);
            }
        }
    }
    main_->UnlockUpdates();
    finished_ = true;
}

void PageManager::ClosePage(int index) {
    CloseDecision d = DecideClose(pages_.Count(), pages_.currentIndex(), index);
    if (d.kind == CloseDecision::Kind::Ignore)
        return;
    if (d.kind == CloseDecision::Kind::Blank) {
        // Page 0 and the only page stay; they show the blank page instead.
        // (The current page stays what it is.)
        WbForm& page = pages_.At(d.index);
        page.requestedAddress = kBlankAddress;
        PageRun* run = RunOf(page);
        if (run && run->life.state() == PageState::Crashed) {
            page.address = kBlankAddress;
            if (&page == pages_.current())
                ReloadCurrent();
        } else if (run && run->life.HasWindow() && run->life.state() != PageState::Hung) {
            SendCopyData(run->window, sender_, std::string(kPrefixNewTab) + kBlankAddress,
                         kPageCommandTimeoutMs);
        }
        return;
    }
    main_->LockUpdates();
    WbForm& page = pages_.At(d.index);
    page.closeMark = false;
    page.closing = true;
    page.tabIconReset = true;
    PageRun* run = RunOf(page);
    main_->tabs().Remove(d.index);
    main_->HideCloseButton();
    pages_.Remove(d.index);
    pages_.SetCurrent(d.newCurrent);
    if (run)
        EndRun(*run);
    if (d.closedCurrent) {
        main_->LockUpdates();  // SelectPage unlocks once
        SelectPage(d.newCurrent);
    }
    main_->tabs().SetActive(d.newCurrent);
    LayoutTabs();
    if (WbForm* current = pages_.current()) {
        ShowRecord(*current);
        FitToPageArea(Hwnd(*current));
    }
    UpdateNotice();
    main_->UnlockUpdates();
}

// A page that does not answer now (hung, not up yet, or a ping unanswered
// for a second): the shell's window must not wait on it when it hides.
bool PageManager::Silent(const PageRun& run, ULONGLONG now) {
    return run.life.state() == PageState::Hung || run.life.state() == PageState::Starting ||
           (run.pingOutstanding && now - run.pingSent > kHeartbeatMs * 2);
}

void PageManager::PartSilentPages() {
    ULONGLONG now = GetTickCount64();
    for (auto& [id, run] : runs_)
        if (run->life.Live() && Silent(*run, now))
            ShareInput(*run, false);
}

void PageManager::QuitAllPages() {
    LogInfo("shell", "closing with " + std::to_string(runs_.size()) + " pages");
    closing_ = true;
    deferred_.clear();
    ULONGLONG now = GetTickCount64();
    std::vector<uint32_t> ids;
    for (const auto& [id, run] : runs_) ids.push_back(id);
    for (uint32_t id : ids) {
        auto it = runs_.find(id);
        if (it == runs_.end())
            continue;
        PageRun* run = it->second.get();
        // A page that does not answer (or is not up yet) gets no grace: it is
        // ended before the window goes, which it could otherwise hold up.
        if (Silent(*run, now) && run->process) {
            LogWarn("page", PidText(run->process->pid()) + " ended at close without grace");
            run->process->Terminate(0);
            WaitForSingleObject(run->process->handle(), 1000);
        }
        if (run->life.state() != PageState::Closing)
            EndRun(*run);  // a crashed page's record goes here
    }
    // The window must not go (hide, destroy) while a child of it belongs to
    // a page that does not answer: a short grace, then the rest are ended.
    ULONGLONG deadline = GetTickCount64() + kCloseGraceMs;
    for (auto& [id, run] : runs_) {
        if (!run->process)
            continue;
        ULONGLONG t = GetTickCount64();
        DWORD left = t < deadline ? static_cast<DWORD>(deadline - t) : 0;
        if (!WaitAnswering(run->process->handle(), left)) {
            LogWarn("page", PidText(run->process->pid()) + " did not quit at close; ended");
            run->process->Terminate(0);
            WaitForSingleObject(run->process->handle(), 1000);
        }
    }
}

void PageManager::Shutdown() {
    // Once only: after it the shell's name may belong to the next shell,
    // whose cookie folders this one must not touch.
    if (shutDown_)
        return;
    shutDown_ = true;
    LogInfo("shell", "shutting pages down");
    KillTimer(host_->hwnd(), kStartTimer);
    KillTimer(host_->hwnd(), kHeartbeatTimer);
    deferred_.clear();
    if (redirect_) {
        redirect_->Restore();
        redirect_.reset();
        redirectOwner_ = 0;
    }
    for (auto& [id, run] : runs_)
        if (run->life.state() != PageState::Closing && run->window)
            PostMessageW(run->window, WM_QUIT, 0, 0);
    // A short grace for every page together, then the rest are ended.
    ULONGLONG deadline = GetTickCount64() + kPageCloseGraceMs;
    for (auto& [id, run] : runs_) {
        if (!run->process)
            continue;
        ULONGLONG now = GetTickCount64();
        DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (!WaitAnswering(run->process->handle(), left)) {
            LogWarn("page", PidText(run->process->pid()) + " ended at shell exit");
            run->process->Terminate(0);
        }
    }
    for (auto& [id, run] : runs_)
        if (run->process)
            WaitForSingleObject(run->process->handle(), 2000);
    runs_.clear();
    ClearCookieFolders(args_.programFolder);
    // Hand-over files of pages that never read them.
    RemoveFolderTree(HandoverFolder(args_.programFolder));
    LogInfo("shell", "pages shut down");
}

void PageManager::LayoutTabs() {
    TabWidths w = LayoutTabWidths(main_->TabMetrics(), pages_.Count(), tabWidth_);
    tabWidth_ = w.tabWidth;
    main_->tabs().SetButtonWidth(w.buttonWidth);
    main_->PlaceNewTabButton();
}

void PageManager::NewBlankTab() {
    main_->SetAddressText(kBlankAddress);
    NewPage(pages_.Empty() ? 0 : pages_.currentIndex() + 1, kBlankAddress, true, "");
}

void PageManager::OnTabMouseDown(int index, int mouseButton) {
    if (mouseButton == VK_LBUTTON) {
        SwitchToPage(index);
    } else if (mouseButton == VK_RBUTTON && index != pages_.currentIndex()) {
        SwitchToPage(index);
        ClosePage(index);
    }
}

void PageManager::OnTextCommand(HWND sender, const TextCommand& cmd) {
    // A page may report its title before its window has been found: then
    // its process tells which page it is.
    auto senderPage = [&]() -> WbForm* {
        if (WbForm* page = pages_.FindByWindow(reinterpret_cast<uintptr_t>(sender)))
            return page;
        DWORD pid = 0;
        GetWindowThreadProcessId(sender, &pid);
        for (int i = 0; pid != 0 && i < pages_.Count(); ++i)
            if (pages_.At(i).processId == pid && pages_.At(i).window == 0)
                return &pages_.At(i);
        return nullptr;
    };
    switch (cmd.kind) {
        case TextCommandKind::NewTab:
        case TextCommandKind::NewTabAlias:
            // Pages (scripts opening pop-ups) are held to a rate; the user
            // and a second start are not.
            if (RunByWindow(sender) &&
                !pageRequests_.Allow(static_cast<int64_t>(GetTickCount64()))) {
                if (droppedRequests_++ % 100 == 0)
                    LogWarn("page", "new-page requests from a page come too fast; dropped");
                Report(kPageLimitReached);
                break;
            }
            NewPage(pages_.currentIndex() + 1, cmd.arg, true, "");
            break;
        case TextCommandKind::Title:
            if (WbForm* page = senderPage()) {
                page->displayTitle = cmd.arg;
                page->tabTitle = cmd.arg;
                UpdateTab(*page);
            }
            break;
        case TextCommandKind::Url:
            if (WbForm* page = senderPage()) {
                page->address = cmd.arg;
                if (page == pages_.current())
                    main_->SetAddressText(cmd.arg);
            }
            break;
        case TextCommandKind::SaveBill:
        case TextCommandKind::FillBill:
        case TextCommandKind::None:
            break;
    }
}

void PageManager::OnNavButton(MainWindow::NavButton button) {
    WbForm* page = pages_.current();
    PageRun* run = page ? RunOf(*page) : nullptr;
    if (!run || !run->window || !run->life.HasWindow())
        return;
    const RegisteredMessages& m = Messages();
    HWND w = run->window;
    switch (button) {
        case MainWindow::NavButton::Back:
            PostCommand(w, m.goBack);
            break;
        case MainWindow::NavButton::Forward:
            PostCommand(w, m.goForward);
            break;
        case MainWindow::NavButton::Stop:
            PostCommand(w, m.goStop);
            break;
        case MainWindow::NavButton::Refresh:
            PostCommand(w, m.goRefresh);
            break;
        case MainWindow::NavButton::SaveGame:
            if (run->life.state() != PageState::Hung)
                SendCopyData(w, main_->hwnd(), std::string(kPrefixSaveBill), kPageCommandTimeoutMs);
            break;
        case MainWindow::NavButton::Home:
            break;
    }
}

void PageManager::OnPageAreaResized() {
    if (WbForm* current = pages_.current())
        FitToPageArea(Hwnd(*current));
    notice_.Fit();
    LayoutTabs();
}

std::string PickFirstPage(const std::string& programFolder) {
    return GuardedOr(std::string(kBlankAddress), [&] {
        auto resp = HttpGet(MakerUrl(programFolder, "/user/ADPage/firstPage.ini"),
                            std::chrono::milliseconds(3000));
        if (!resp || resp->status >= 400)
            return std::string(kBlankAddress);
        std::string copy = programFolder + "Update\\firstCF.ini";
        WriteFileBytes(copy, resp->body);
        // The list is ANSI text (GBK on the players' systems).
        return PickFirstPageFrom(IniDoc::Parse(AnsiToUtf8(resp->body)), ClockSeed());
    });
}

}  // namespace lumo
