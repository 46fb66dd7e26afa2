// The one place where errors are swallowed. Event handlers, window
// procedures, COM methods and start-up steps run their body through Guarded
// so that no exception crosses into the system or ends the program; the user
// sees only the few fixed messages the program shows on purpose.
#pragma once

#include <utility>

namespace lumo {

// Runs `f`, swallowing any exception.
template <class F>
void Guarded(F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (...) {
    }
}

// Runs `f` and returns its result, or `fallback` when it throws.
template <class R, class F>
R GuardedOr(R fallback, F&& f) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (...) {
        return fallback;
    }
}

}  // namespace lumo
