#include <windows.h>

#include "common/error.h"
#include "common/text.h"
#include "common/text_win.h"

namespace lumo {

std::string SystemErrorText(std::uint32_t code) {
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text = n ? FromW(std::wstring_view(buf, n)) : std::string();
    LocalFree(buf);
    return Trim(text);  // the system's texts end with "\r\n"
}

void ThrowLastError(std::string_view what) {
    const DWORD code = GetLastError();
    throw Win32Error(what, code, false);
}

}  // namespace lumo
