// Starting pages: launch, finding and embedding the window, the spare page, the first page.
//
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

#include "common/file.h"
#include "common/guard.h"
#include "common/http.h"
#include "common/ini.h"
#include "common/maker.h"
#include "common/text.h"
#include "common/text_win.h"
#include "protocol/messages_win.h"
#include "protocol/roles.h"
#include "shell/cookie_journal.h"
#include "shell/page_manager_internal_win.h"

namespace lumo {

using namespace page_manager_internal;

namespace {

// Seconds since midnight plus a random number up to 9999.
double ClockSeed() {
    static std::mt19937 rng(std::random_device{}());
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond +
           std::uniform_int_distribution<int>(0, 9999)(rng);
}

}  // namespace

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
        run.address,   run.folder.empty() ? std::string(kNoCookieFolder) : run.folder,
        run.bill,      run.proxy};
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
    run.visited |= !EqualsNoCase(Trim(run.address), kBlankAddress);
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
    if (!deferred_.empty() || reloadWaiting_ || !restartsWaiting_.empty())
        PostMessageW(host_->hwnd(), kRunDeferredMessage, 0, 0);
}

void PageManager::NewPage(int index, const std::string& address, bool activate,
                          const std::string& bill, const std::string& proxy, const GameTag& game) {
    if (!awaitingFirstPage_ && BlankPageGuardBlocks(pages_, address)) {
        // The blank current page takes the address (and saved login)
        // instead of a new tab.
        if (WbForm* current = pages_.current())
            OpenInBlankPage(*current, address, bill, proxy, game);
        return;
    }
    if (proxy.empty() && TakeSpare(index, address, activate, bill, game))
        return;
    if (redirectOwner_ != 0) {
        if (static_cast<int>(deferred_.size()) + LiveProcesses() >= maxPages_) {
            if (droppedRequests_++ % 100 == 0)
                LogWarn("page", "page limit reached; request dropped");
            Report(kPageLimitReached);
            return;
        }
        deferred_.push_back({index, address, activate, bill, proxy, game});
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
        run.billAddress = address;
        run.proxy = proxy;
        runs_[run.id] = std::move(owned);
        WbForm& page = AddTab(index, run.id, address, game);

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

WbForm& PageManager::AddTab(int index, uint32_t id, const std::string& address,
                            const GameTag& game) {
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
    record->game = game;
    WbForm& page = pages_.Insert(index, std::move(record));
    UpdateTab(page);
    return page;
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
        !deferred_.empty() || reloadWaiting_ || !restartsWaiting_.empty() ||
        LiveProcesses() >= maxPages_)
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

// The spare, when it is ready, given its address and bill and asked to
// embed itself; null when there is none to take.
PageManager::PageRun* PageManager::ClaimSpare(const std::string& address, const std::string& bill) {
    auto it = runs_.find(spareId_);
    if (it == runs_.end())
        return nullptr;
    PageRun& run = *it->second;
    if (run.life.state() != PageState::Starting || !run.window || run.embedAsked)
        return nullptr;
    spareId_ = 0;
    run.address = address;
    run.bill = bill;
    run.billAddress = address;
    run.embedAsked = true;
    run.startTimer = LogTimer();  // the embed's time limit runs from here
    // The bill first, so the page fills it in when the address has loaded.
    // (The spare shows the blank page already.)
    const bool blank = EqualsNoCase(Trim(address), kBlankAddress);
    if ((!bill.empty() && !SendCopyData(run.window, sender_, std::string(kPrefixFillBill) + bill,
                                        kPageCommandTimeoutMs)) ||
        (!blank && !SendCopyData(run.window, sender_, std::string(kPrefixNewTab) + address,
                                 kPageCommandTimeoutMs))) {
        LogWarn("page", PidText(run.process->pid()) + " spare did not take its address; ended");
        EndRun(run);
        return nullptr;
    }
    run.visited = !blank;
    PostMessageW(run.window, Messages().embed, reinterpret_cast<WPARAM>(main_->pageArea()), 0);
    SetTimer(host_->hwnd(), kStartTimer, kStartTickMs, nullptr);
    return &run;
}

bool PageManager::TakeSpare(int index, const std::string& address, bool activate,
                            const std::string& bill, const GameTag& game) {
    PageRun* spare = ClaimSpare(address, bill);
    if (!spare)
        return false;
    PageRun& run = *spare;
    finished_ = false;
    main_->LockUpdates();
    Guarded([&] {
        WbForm& page = AddTab(index, run.id, address, game);
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

void PageManager::Navigate(WbForm& page, const std::string& address, bool record,
                           const std::string& bill) {
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
    if (!bill.empty()) {
        run->bill = bill;
        run->billAddress = address;
    }
    if (!run->process)
        return;  // its start waits: it starts with address and bill
    run->visited |= !EqualsNoCase(Trim(address), kBlankAddress);
    if (run->life.state() == PageState::Starting) {
        run->pendingNavigate = address;
        run->pendingBill = bill;
    } else if (run->life.HasWindow() && run->life.state() != PageState::Hung) {
        if (!bill.empty())
            SendCopyData(run->window, sender_, std::string(kPrefixFillBill) + bill,
                         kPageCommandTimeoutMs);
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
                if (!run.pendingBill.empty())
                    SendCopyData(run.window, sender_,
                                 std::string(kPrefixFillBill) + run.pendingBill,
                                 kPageCommandTimeoutMs);
                SendCopyData(run.window, sender_, std::string(kPrefixNewTab) + run.pendingNavigate,
                             kPageCommandTimeoutMs);
                run.pendingNavigate.clear();
                run.pendingBill.clear();
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

void PageManager::RunDeferredPages() {
    RunWaitingRestarts();
    if (reloadWaiting_ && redirectOwner_ == 0)
        ReloadCurrent();
    while (!deferred_.empty() && redirectOwner_ == 0) {
        Request r = std::move(deferred_.front());
        deferred_.pop_front();
        NewPage(r.index, r.address, r.activate, r.bill, r.proxy, r.game);
    }
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
