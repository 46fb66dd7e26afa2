// The log's Windows half. Every page process writes the same file, so each
// line is written by opening the file for FILE_APPEND_DATA only (the system
// then puts every write at the current end, whole, even with other writers),
// with read, write and delete sharing (readers and rotation by other
// processes are not blocked), and closing it again. A named mutex makes the
// size check, the rotation and the write one step across processes; without
// it two processes could both rotate and push away a fresh file.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "common/handle_win.h"
#include "common/log.h"
#include "common/log_platform.h"
#include "common/path.h"
#include "common/text_win.h"

namespace lumo {

namespace {

std::string EnvVar(const wchar_t* name) {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(name, buf, MAX_PATH);
    return n > 0 && n < MAX_PATH ? FromW(std::wstring_view(buf, n)) : std::string();
}

HANDLE LogMutex() {
    static UniqueHandle mutex(CreateMutexW(nullptr, FALSE, L"Local\\LumoLogFile"));
    return mutex.get();
}

}  // namespace

std::string DefaultLogFolder() {
    std::string folder = EnvVar(L"LUMO_LOG_DIR");
    if (!folder.empty())
        return WithTrailingSeparator(folder);
    wchar_t buf[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf)))
        folder = FromW(buf);
    else
        folder = EnvVar(L"LOCALAPPDATA");
    return folder.empty() ? std::string() : WithTrailingSeparator(folder) + "Lumo\\Logs\\";
}

namespace logsys {

std::string Stamp() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return buf;
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

void ToDebugger(const std::string& line) {
    OutputDebugStringW(ToW(line).c_str());
}

bool Append(const std::string& path, std::string_view line) {
    UniqueHandle file(CreateFileW(ToW(path).c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() &&
           WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

FileLock::FileLock() {
    if (HANDLE m = LogMutex()) {
        const DWORD r = WaitForSingleObject(m, 500);
        locked_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;  // abandoned: a writer died
    }
}

FileLock::~FileLock() {
    if (locked_)
        ReleaseMutex(LogMutex());
}

}  // namespace logsys

}  // namespace lumo
