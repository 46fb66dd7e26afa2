#include "shell/page_state.h"

namespace lumo {

std::string_view PageStateName(PageState s) {
    switch (s) {
        case PageState::Starting:
            return "starting";
        case PageState::Embedded:
            return "embedded";
        case PageState::Shown:
            return "shown";
        case PageState::Hidden:
            return "hidden";
        case PageState::Hung:
            return "hung";
        case PageState::Closing:
            return "closing";
        case PageState::Crashed:
            return "crashed";
        case PageState::Ended:
            return "ended";
    }
    return "?";
}

bool PageLife::Live() const {
    return state_ != PageState::Crashed && state_ != PageState::Ended;
}

bool PageLife::HasWindow() const {
    return state_ == PageState::Embedded || state_ == PageState::Shown ||
           state_ == PageState::Hidden || state_ == PageState::Hung;
}

bool PageLife::Apply(PageEvent e) {
    using S = PageState;
    const S s = state_;
    S next = s;
    switch (e) {
        case PageEvent::WindowFound:
            if (s != S::Starting)
                return false;
            next = S::Embedded;
            break;
        case PageEvent::Show:
        case PageEvent::Hide: {
            S want = e == PageEvent::Show ? S::Shown : S::Hidden;
            if (s == S::Hung) {
                beforeHung_ = want;  // applies once it answers again
                return true;
            }
            if (s != S::Embedded && s != S::Shown && s != S::Hidden)
                return false;
            next = want;
            break;
        }
        case PageEvent::NoAnswer:
            if (s != S::Embedded && s != S::Shown && s != S::Hidden)
                return false;
            beforeHung_ = s;
            next = S::Hung;
            break;
        case PageEvent::Answers:
            if (s != S::Hung)
                return false;
            next = beforeHung_;
            break;
        case PageEvent::Close:
            if (s == S::Closing || s == S::Ended)
                return false;
            next = s == S::Crashed ? S::Ended : S::Closing;
            break;
        case PageEvent::ProcessEnded:
            if (s == S::Crashed || s == S::Ended)
                return false;
            next = s == S::Closing ? S::Ended : S::Crashed;
            break;
        case PageEvent::Reload:
            if (s != S::Crashed)
                return false;
            next = S::Starting;
            break;
    }
    state_ = next;
    return true;
}

bool RequestRateLimit::Allow(int64_t nowMs) {
    if (tokens_ < 0) {
        tokens_ = burst_;
        last_ = nowMs;
    }
    if (intervalMs_ > 0 && nowMs > last_) {
        tokens_ += static_cast<double>(nowMs - last_) / static_cast<double>(intervalMs_);
        if (tokens_ > burst_)
            tokens_ = burst_;
    }
    last_ = nowMs;
    if (tokens_ < 1)
        return false;
    tokens_ -= 1;
    return true;
}

}  // namespace lumo
