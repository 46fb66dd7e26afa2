// The one place where errors are swallowed. Event handlers, window
// procedures, COM methods and start-up steps run their body through Guarded
// so that no exception crosses into the system or ends the program; the user
// sees only the few fixed messages the program shows on purpose. What is
// swallowed goes to the trace log with the place of the guard.
#pragma once

#include <source_location>
#include <utility>

#include "common/log.h"

namespace lumo {

// Runs `f`, swallowing (and logging) any exception.
template <class F>
void Guarded(F&& f, std::source_location where = std::source_location::current()) noexcept {
    try {
        std::forward<F>(f)();
    } catch (...) {
        LogCaught(where);
    }
}

// Runs `f` and returns its result, or `fallback` when it throws.
template <class R, class F>
R GuardedOr(R fallback, F&& f,
            std::source_location where = std::source_location::current()) noexcept {
    try {
        return std::forward<F>(f)();
    } catch (...) {
        LogCaught(where);
        return fallback;
    }
}

}  // namespace lumo
