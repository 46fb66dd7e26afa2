#include "common/error.h"

#include <cstdio>

namespace lumo {

namespace {

std::string Message(std::string_view what, std::uint32_t code) {
    std::string text = std::string(what) + " failed";
    const std::string system = SystemErrorText(code);
    if (!system.empty())
        text += ": " + system;
    return text;
}

}  // namespace

Win32Error::Win32Error(std::string_view what, std::uint32_t code, bool isHresult)
    : std::runtime_error(Message(what, code)), code(code), isHresult(isHresult) {}

std::string ErrorCodeText(std::uint32_t code, bool isHresult) {
    char buf[32];
    if (isHresult)
        std::snprintf(buf, sizeof buf, "HRESULT 0x%08lX", static_cast<unsigned long>(code));
    else
        std::snprintf(buf, sizeof buf, "Win32 error %lu", static_cast<unsigned long>(code));
    return buf;
}

}  // namespace lumo
