// Opening several tabs in a row, paced behind the page starts.
#include "shell/page_batch_win.h"

#include <algorithm>

#include "common/guard.h"
#include "common/log.h"
#include "common/text_win.h"

namespace lumo {

namespace {

constexpr UINT_PTR kTickTimer = 1;

}  // namespace

std::string BatchOverLimitText(int count, int freeSlots, int limit) {
    return "将打开 " + std::to_string(count) + " 个页面，超过页面上限 " + std::to_string(limit) +
           "（现在还能打开 " + std::to_string(freeSlots) +
           " 个）。没有打开任何页面，请先关闭一些页面。";
}

void PageBatch::Init(PageManager& pages, MainWindow& main) {
    pages_ = &pages;
    main_ = &main;
    WindowCreateArgs w;
    w.className = L"LumoPageBatch";
    w.style = 0;
    w.parent = HWND_MESSAGE;
    w.x = w.y = w.width = w.height = 0;
    CreateWindowFrom(w);
}

bool PageBatch::Open(std::vector<BatchPage> pages) {
    if (pages.empty() || !pages_)
        return true;
    const int count = static_cast<int>(pages.size());
    const int freeSlots = pages_->FreePageSlots() - static_cast<int>(queue_.size());
    if (count > freeSlots) {
        const std::string text =
            BatchOverLimitText(count, std::max(0, freeSlots), pages_->pageLimit());
        LogWarn("page", "a batch of " + std::to_string(count) + " pages would pass the limit");
        main_->SetStatusText(" " + text);
        MessageBoxW(main_->hwnd(), ToW(text).c_str(), L"Lumo", MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (queue_.empty())
        total_ = opened_ = 0;
    total_ += count;
    for (BatchPage& p : pages) queue_.push_back(std::move(p));
    LogInfo("page", "opening " + std::to_string(count) + " pages in a row");
    SetTimer(hwnd(), kTickTimer, kBatchTickMs, nullptr);
    Tick();
    return true;
}

void PageBatch::Tick() {
    if (queue_.empty()) {
        KillTimer(hwnd(), kTickTimer);
        return;
    }
    const ULONGLONG now = GetTickCount64();
    if (pages_->StartInProgress() || now - lastOpen_ < kBatchGapMs)
        return;
    if (pages_->FreePageSlots() < 1) {
        // Pages opened meanwhile by other means took the room.
        const std::string text =
            BatchOverLimitText(static_cast<int>(queue_.size()), 0, pages_->pageLimit());
        queue_.clear();
        KillTimer(hwnd(), kTickTimer);
        main_->SetStatusText(" " + text);
        return;
    }
    BatchPage next = std::move(queue_.front());
    queue_.pop_front();
    lastOpen_ = now;
    ++opened_;
    main_->SetStatusText(" 正在打开 " + std::to_string(opened_) + "/" + std::to_string(total_) +
                         (next.game.empty() ? std::string() : "：" + next.game.name));
    PageList& list = pages_->pages();
    pages_->NewPage(list.Empty() ? 0 : list.currentIndex() + 1, next.address, true, next.bill,
                    next.proxy, next.game);
    if (queue_.empty()) {
        KillTimer(hwnd(), kTickTimer);
        main_->SetStatusText(" 已打开 " + std::to_string(total_) + " 个页面");
    }
}

LRESULT PageBatch::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == kTickTimer) {
        Guarded([&] { Tick(); });
        return 0;
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace lumo
