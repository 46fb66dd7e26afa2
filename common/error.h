// The exception for failed Win32 and COM calls. It keeps the error code so
// that the error guard can log it; what() holds the call and the system's
// text for the code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lumo {

struct Win32Error : std::runtime_error {
    Win32Error(std::string_view what, std::uint32_t code, bool isHresult);
    std::uint32_t code;  // a GetLastError value or an HRESULT
    bool isHresult;
};

// "Win32 error 5" or "HRESULT 0x80004005".
std::string ErrorCodeText(std::uint32_t code, bool isHresult);
// The system's message for `code`, one line; "" when it has none (always in
// the native build).
std::string SystemErrorText(std::uint32_t code);

// Throws Win32Error naming `what` when `hr` (an HRESULT) reports a failure.
inline void ThrowIfFailed(std::int32_t hr, std::string_view what) {
    if (hr < 0)
        throw Win32Error(what, static_cast<std::uint32_t>(hr), true);
}

#ifdef _WIN32
// Throws Win32Error naming `what` with GetLastError's code.
[[noreturn]] void ThrowLastError(std::string_view what);
#endif

}  // namespace lumo
