// Closing pages: a tab's close, a page's end and its folder, and every page at shell exit.
#include "shell/page_manager_win.h"

#include <vector>

#include "common/file.h"
#include "common/text.h"
#include "protocol/messages_win.h"
#include "protocol/roles.h"
#include "shell/page_manager_internal_win.h"
#include "shell/shell_process_win.h"

namespace lumo {

using namespace page_manager_internal;

namespace {

constexpr DWORD kCloseGraceMs = 700;  // for all pages together when the shell closes

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

void PageManager::ClosePage(int index) {
    CloseDecision d = DecideClose(pages_.Count(), pages_.currentIndex(), index);
    if (d.kind == CloseDecision::Kind::Ignore)
        return;
    if (d.kind == CloseDecision::Kind::Blank) {
        // Page 0 and the only page stay; they show the blank page instead,
        // in a fresh process: whoever was logged in there is closed all the
        // same. (The current page stays what it is.)
        WbForm& blanked = pages_.At(d.index);
        blanked.game = {};
        UpdateTab(blanked);
        StartOver(blanked, kBlankAddress, "");
        TabsChanged();
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

}  // namespace lumo
