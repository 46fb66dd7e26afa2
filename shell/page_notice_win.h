// What the page area shows instead of a page that cannot show itself: a hung
// page ("not responding", wait or end it) or a page whose process stopped
// (reload it). A child of the page area, above the page's window; it belongs
// to the shell, so it answers while the page does not.
#pragma once

#include <functional>

#include "common/window_win.h"

namespace lumo {

inline constexpr char kPageHungText[] = "此页面未响应。可以等待它恢复，或者结束它。";
inline constexpr char kPageStoppedText[] = "此页面已停止运行。";
inline constexpr char kWaitButton[] = "等待";
inline constexpr char kEndPageButton[] = "结束页面";
inline constexpr char kReloadButton[] = "重新加载";

class PageNotice : public Window {
  public:
    enum class Kind { None, Hung, Stopped };
    struct Actions {
        std::function<void()> onWait, onEnd, onReload;
    };
    bool Create(HWND pageArea, Actions actions);
    // Shows `kind` over the whole page area (None hides it).
    void Show(Kind kind);
    Kind kind() const { return kind_; }
    void Fit();

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    Actions actions_;
    Kind kind_ = Kind::None;
    HWND text_ = nullptr, first_ = nullptr, second_ = nullptr;
};

}  // namespace lumo
