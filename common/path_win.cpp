#include <windows.h>

#include "common/path.h"
#include "common/text_win.h"

namespace lumo {

std::string ExecutablePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size()) {
            buf.resize(n);
            return FromW(buf);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string ProgramFolder() {
    return FolderOf(ExecutablePath());
}

}  // namespace lumo
