#include "tests/support/test_support.h"

#include <filesystem>

#include "common/cmdline.h"
#include "common/file.h"
#include "common/http.h"
#include "common/ini.h"
#include "common/text_win.h"

namespace lumo::test {

std::string HostPath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

std::string Env(const char* name) {
    wchar_t buf[4096];
    DWORD n = GetEnvironmentVariableW(ToW(name).c_str(), buf, 4096);
    return n > 0 && n < 4096 ? FromW(std::wstring_view(buf, n)) : std::string();
}

std::string ServerHost() {
    std::string s = Env("LUMO_TEST_SERVER");
    return s.empty() ? "127.0.0.1:18765" : s;
}

std::string ServerUrl(const std::string& path) {
    return "http://" + ServerHost() + path;
}

std::string Server(const std::string& path) {
    for (int attempt = 0; attempt < 3; ++attempt)
        if (auto r = HttpGet(ServerUrl(path), std::chrono::milliseconds(10000)))
            return r->body;
    return {};
}

TempFolder::TempFolder(const std::string& tag) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    path_ = FromW(tmp) + "lumo-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount()) + "\\";
    CreateFolders(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(ToW(path_)), ec);
}

std::string LayOutProgramFolder(const std::string& folder) {
    std::string build = Env("LUMO_BUILD_DIR");
    CreateFolders(folder + "Update");
    CopyFileW(ToW(HostPath(build + "/app/Lumo/Lumo.exe")).c_str(), ToW(folder + "Lumo.exe").c_str(),
              FALSE);
    CopyFileW(ToW(HostPath(build + "/app/LumoUpdate/LumoUpdate.exe")).c_str(),
              ToW(folder + "Update\\LumoUpdate.exe").c_str(), FALSE);
    WriteIniString(folder + "Config.ini", "Server", "Host", ServerHost());
    return folder + "Lumo.exe";
}

namespace {
struct EnumState {
    DWORD pid;
    const wchar_t* cls;
    std::vector<HWND>* out;
};

BOOL CALLBACK CollectWindow(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<EnumState*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    wchar_t cls[128];
    if (owner == s->pid && GetClassNameW(h, cls, 128) && wcscmp(cls, s->cls) == 0)
        s->out->push_back(h);
    return TRUE;
}

BOOL CALLBACK CollectChildPage(HWND h, LPARAM lp) {
    auto* st = reinterpret_cast<std::pair<HWND, std::vector<HWND>*>*>(lp);
    wchar_t cls[64];
    if (GetParent(h) == st->first && GetClassNameW(h, cls, 64) &&
        wcscmp(cls, L"TFormWebBrowser") == 0)
        st->second->push_back(h);
    return TRUE;
}

}  // namespace

std::vector<HWND> PageWindowsIn(HWND panel) {
    std::vector<HWND> out;
    std::pair<HWND, std::vector<HWND>*> st{panel, &out};
    EnumChildWindows(panel, CollectChildPage, reinterpret_cast<LPARAM>(&st));
    return out;
}

std::vector<HWND> WindowsOfProcess(DWORD pid, const wchar_t* className) {
    std::vector<HWND> out;
    EnumState st{pid, className, &out};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&st));
    return out;
}

std::optional<Started> StartProgram(const std::string& exe, const std::vector<std::string>& args,
                                    const std::string& workDir) {
    std::optional<std::string> line = BuildCommandLine(exe, args);
    if (!line)
        return std::nullopt;
    std::wstring cmd = ToW(*line);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring dir = ToW(workDir);
    if (!CreateProcessW(ToW(exe).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return std::nullopt;
    Started s;
    s.process.reset(pi.hProcess);
    s.thread.reset(pi.hThread);
    s.pid = pi.dwProcessId;
    return s;
}

std::string TestProgram(const std::string& name) {
    return HostPath(Env("LUMO_BUILD_DIR") + "/tests/support/" + name);
}

HWND WaitForWindow(DWORD pid, const wchar_t* cls, int ms) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            auto all = WindowsOfProcess(pid, cls);
            if (!all.empty())
                found = all.front();
            return found != nullptr;
        },
        ms);
    return found;
}

bool Answers(HWND hwnd) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r) != 0;
}

}  // namespace lumo::test
