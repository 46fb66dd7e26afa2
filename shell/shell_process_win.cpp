#include "shell/shell_process_win.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <filesystem>

#include "common/error.h"
#include "common/guard.h"
#include "common/log.h"
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

bool RemoveFolderTree(const std::string& folder) {
    if (folder.empty())
        return true;
    std::error_code ec;
    std::filesystem::path path(ToW(folder));
    std::filesystem::remove_all(path, ec);
    return !std::filesystem::exists(path, ec);
}

void ClearCookieFolders(const std::string& programFolder) {
    Guarded([&] {
        if (!RemoveFolderTree(programFolder + "cookies"))
            LogWarn("cookies", "some cookie folders could not be removed");
    });
}

bool TiePagesToThisProcess() {
    // Never closed: its handle goes with the process, and closing it
    // earlier would end this process too.
    static HANDLE job = [] {
        HANDLE j = CreateJobObjectW(nullptr, nullptr);
        if (!j)
            return j;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_BREAKAWAY_OK;
        if (!SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits,
                                     sizeof(limits)) ||
            !AssignProcessToJobObject(j, GetCurrentProcess())) {
            LogWarn("pages", "no job for the pages: " + ErrorCodeText(GetLastError(), false));
            CloseHandle(j);
            return HANDLE{};
        }
        return j;
    }();
    return job != nullptr;
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
