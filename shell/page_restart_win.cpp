// A tab that starts over in a fresh page process: the first tab or the only
// one when it is "closed" (it stays, blank), and a blank tab that had been
// somewhere when it is handed an address. The old process ends with every
// cookie of whoever was logged in there; a fresh one on a fresh cookie folder
// (the spare when it is ready) takes its place in the same tab, which keeps
// its position and whether it is current.
#include "shell/page_manager_internal_win.h"

#include "common/text.h"
#include "protocol/messages_win.h"
#include "protocol/roles.h"

namespace lumo {

using namespace page_manager_internal;

void PageManager::StartOver(WbForm& page, const std::string& address, const std::string& bill,
                            const std::string& proxy) {
    PageRun* old = RunOf(page);
    const bool current = &page == pages_.current();
    page.requestedAddress = address;
    page.address = address;
    page.displayTitle.clear();
    page.tabTitle = kBlankTabCaption;
    page.window = 0;
    page.processId = 0;
    page.cookieFolder.clear();
    if (PageRun* spare = proxy.empty() ? ClaimSpare(address, bill) : nullptr) {
        page.pageId = spare->id;
        page.window = reinterpret_cast<uintptr_t>(spare->window);
        page.processId = spare->process->pid();
        page.cookieFolder = spare->folder;
        if (current)
            PostCommand(spare->window, Messages().operate);  // behind the embed request
        LogInfo("page", PidText(spare->process->pid()) + " spare takes over a tab");
    } else {
        auto owned = std::make_unique<PageRun>();
        PageRun& run = *owned;
        run.id = nextId_++;
        run.address = address;
        run.bill = bill;
        run.billAddress = bill.empty() ? std::string() : address;
        run.proxy = proxy;
        runs_[run.id] = std::move(owned);
        page.pageId = run.id;
        if (redirectOwner_ != 0)
            restartsWaiting_.push_back(run.id);  // once the start in progress is done
        else
            LaunchInTab(page, run);
    }
    if (old) {
        if (old->process)
            EndRun(*old);
        else
            runs_.erase(old->id);  // was still waiting for its start
    }
    UpdateTab(page);
    if (current)
        main_->SetAddressText(address);
    UpdateNotice();
}

void PageManager::LaunchInTab(WbForm& page, PageRun& run) {
    if (!Launch(run, true)) {
        // The tab stays with the stopped view; its reload tries again.
        Apply(run, PageEvent::ProcessEnded);
        Report(kCreatePageFailed);
        return;
    }
    page.cookieFolder = run.folder;
    page.processId = run.process->pid();
    if (run.folder.empty())
        Report(kNoIsolationMessage);
}

void PageManager::RunWaitingRestarts() {
    while (!restartsWaiting_.empty() && redirectOwner_ == 0) {
        uint32_t id = restartsWaiting_.front();
        restartsWaiting_.pop_front();
        auto it = runs_.find(id);
        if (it == runs_.end())
            continue;
        for (int i = 0; i < pages_.Count(); ++i)
            if (pages_.At(i).pageId == id) {
                LaunchInTab(pages_.At(i), *it->second);
                break;
            }
    }
}

void PageManager::OpenInBlankPage(WbForm& page, const std::string& address, const std::string& bill,
                                  const std::string& proxy, const GameTag& game) {
    // The tab becomes the game's (or an address's, losing a former label).
    page.game = game;
    UpdateTab(page);
    TabsChanged();
    // A blank tab whose process has been somewhere may still hold a
    // session of whoever was there: the address goes to a fresh one. So
    // does an address for another proxy than the process goes through.
    PageRun* run = RunOf(page);
    if (!run || run->visited || !run->life.Live() || run->life.state() == PageState::Hung ||
        run->proxy != proxy)
        StartOver(page, address, bill, proxy);
    else
        Navigate(page, address, true, bill);
}

}  // namespace lumo
