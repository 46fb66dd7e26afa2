// The life of one page process as the shell sees it, with every allowed
// transition in one table, and the small rules around it: how many page
// processes may run, how fast pages may ask for new pages.
//
//   Starting --window found--> Embedded --show/hide--> Shown <-> Hidden
//   Embedded/Shown/Hidden --no answer--> Hung --answers--> (where it was)
//   any live state --close--> Closing --process ended--> Ended
//   any live state --process ended--> Crashed --reload--> Starting
//   Crashed --close--> Ended
#pragma once

#include <cstdint>
#include <string_view>

namespace lumo {

enum class PageState { Starting, Embedded, Shown, Hidden, Hung, Closing, Crashed, Ended };
enum class PageEvent { WindowFound, Show, Hide, NoAnswer, Answers, Close, ProcessEnded, Reload };

std::string_view PageStateName(PageState s);

class PageLife {
  public:
    PageState state() const { return state_; }
    // Applies `e`; false (and no change) when the event means nothing in the
    // current state.
    bool Apply(PageEvent e);
    // A process runs for this page (or is expected to).
    bool Live() const;
    // The page has a window that takes posted requests.
    bool HasWindow() const;
    // Whether the page is the visible one (Shown, or hung while shown).
    bool Visible() const {
        return state_ == PageState::Shown ||
               (state_ == PageState::Hung && beforeHung_ == PageState::Shown);
    }

  private:
    PageState state_ = PageState::Starting;
    PageState beforeHung_ = PageState::Embedded;
};

// At most this many page processes run at once (closing ones included).
inline constexpr int kMaxPageProcesses = 64;

// New-page requests that come from pages: `burst` at once, then one every
// `intervalMs`. Requests of the user are not limited.
class RequestRateLimit {
  public:
    RequestRateLimit(int burst, int64_t intervalMs) : burst_(burst), intervalMs_(intervalMs) {}
    bool Allow(int64_t nowMs);

  private:
    int burst_;
    int64_t intervalMs_;
    double tokens_ = -1;  // full on first use
    int64_t last_ = 0;
};

}  // namespace lumo
