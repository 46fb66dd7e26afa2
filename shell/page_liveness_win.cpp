// Page liveness: heartbeat pings, hung pages parted from the shell's input, crashed-page reload.
#include "shell/page_manager_win.h"

#include "shell/page_manager_internal_win.h"

namespace lumo {

using namespace page_manager_internal;

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
    // The cookies ended with the process. A page opened with a saved login
    // starts at that game again with it and logs in once more; any other
    // comes back at its address, in the same cookie folder.
    if (!run->bill.empty() && !run->billAddress.empty())
        run->address = run->billAddress;
    else if (!page->address.empty())
        run->address = page->address;
    run->pendingNavigate.clear();
    run->pendingBill.clear();
    Apply(*run, PageEvent::Reload);
    auto old = std::move(run->process);
    if (!Launch(*run, run->folder.empty())) {
        run->process = std::move(old);
        Apply(*run, PageEvent::ProcessEnded);
        Report(kCreatePageFailed);
    }
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

}  // namespace lumo
