#include "shell/shell_process_win.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include "common/guard.h"
#include "common/handle_win.h"
#include "common/process.h"
#include "common/text_win.h"
#include "common/window_win.h"
#include "protocol/window_names.h"

namespace lumo {

HWND FindRunningShell(const std::string& exeName) {
    UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.valid())
        return nullptr;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    DWORD self = GetCurrentProcessId();
    for (BOOL ok = Process32FirstW(snap.get(), &entry); ok;
         ok = Process32NextW(snap.get(), &entry)) {
        if (entry.th32ProcessID == self || !ExeNameMatches(FromW(entry.szExeFile), exeName))
            continue;
        if (HWND main = FindEnabledProcessWindow(entry.th32ProcessID, kMainWindowClass))
            return main;
    }
    return nullptr;
}

std::wstring ClearCookieFoldersParameters(const std::string& programFolder) {
    return L"/c rd \"" + ToW(programFolder) + L"cookies\" /s /q";
}

void ClearCookieFolders(const std::string& programFolder) {
    Guarded([&] {
        std::wstring params = ClearCookieFoldersParameters(programFolder);
        ShellExecuteW(nullptr, nullptr, L"cmd.exe", params.c_str(), nullptr, SW_HIDE);
    });
}

int RunWithExitSteps(const std::function<int()>& loop, const std::function<void()>& exitSteps) {
    int code = 1;
    try {
        code = loop();
    } catch (...) {
        code = 1;
    }
    Guarded(exitSteps);
    return code;
}

int RunMessageLoop() {
    MSG msg;
    int r;
    while ((r = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return r == 0 ? static_cast<int>(msg.wParam) : 1;
}

}  // namespace lumo
