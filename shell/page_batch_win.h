// Opening several tabs in a row (a category's 打开全部, the tabs of the last
// session): one page start at a time, each once the previous page's window
// has come up and at least kBatchGapMs after it, so the starts never queue
// behind each other and stay far below the rate at which pages may ask for
// new pages. The page limit is checked before any tab opens: a batch that
// would pass it opens nothing and says so. The status bar shows progress.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "common/window_win.h"
#include "mainwindow/main_window_win.h"
#include "shell/page_manager_win.h"

namespace lumo {

inline constexpr DWORD kBatchGapMs = 200;
inline constexpr UINT kBatchTickMs = 50;

struct BatchPage {
    std::string address;
    std::string bill;
    std::string proxy;  // "" for none
    GameTag game;
};

// The refusal when `count` tabs would pass the page limit.
std::string BatchOverLimitText(int count, int freeSlots, int limit);

class PageBatch : public Window {
  public:
    void Init(PageManager& pages, MainWindow& main);
    // Queues `pages` after any batch still opening. False, with a message
    // box and nothing opened, when they would pass the page limit.
    bool Open(std::vector<BatchPage> pages);
    bool busy() const { return !queue_.empty(); }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Tick();

    PageManager* pages_ = nullptr;
    MainWindow* main_ = nullptr;
    std::deque<BatchPage> queue_;
    int total_ = 0, opened_ = 0;
    ULONGLONG lastOpen_ = 0;
};

}  // namespace lumo
