#include "tests/support/test_support.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
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
    // Wine under a heavily loaded machine has been seen to fail a process
    // start now and then; one more try after a moment, and the error said.
    for (int attempt = 0;; ++attempt) {
        if (CreateProcessW(ToW(exe).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           dir.empty() ? nullptr : dir.c_str(), &si, &pi))
            break;
        std::fprintf(stderr, "CreateProcess(%s) failed: error %lu\n", exe.c_str(), GetLastError());
        if (attempt == 1)
            return std::nullopt;
        Sleep(500);
    }
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

HWND WaitForVisibleWindow(DWORD pid, const wchar_t* cls, int ms) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND h : WindowsOfProcess(pid, cls))
                if (IsWindowVisible(h))
                    found = h;
            return found != nullptr;
        },
        ms);
    return found;
}

std::vector<DWORD> ProcessesNamed(const std::string& exeName) {
    std::vector<DWORD> pids;
    UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.valid())
        return pids;
    const std::wstring name = ToW(exeName);
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL more = Process32FirstW(snap.get(), &e); more; more = Process32NextW(snap.get(), &e)) {
        const wchar_t* file = wcsrchr(e.szExeFile, L'\\');
        if (_wcsicmp(file ? file + 1 : e.szExeFile, name.c_str()) == 0)
            pids.push_back(e.th32ProcessID);
    }
    return pids;
}

std::string ProcessCommandLine(DWORD pid) {
    using QueryFn = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    UniqueHandle p(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || !p.valid() ||
        query(p.get(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0)
        return "";
    auto read = [&](const void* at, void* out, size_t size) {
        SIZE_T got = 0;
        return ReadProcessMemory(p.get(), at, out, size, &got) && got == size;
    };
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS params{};
    if (!read(basic.PebBaseAddress, &peb, sizeof(peb)) ||
        !read(peb.ProcessParameters, &params, sizeof(params)))
        return "";
    std::wstring line(params.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!line.empty() && !read(params.CommandLine.Buffer, line.data(), params.CommandLine.Length))
        return "";
    return FromW(line);
}

bool Answers(HWND hwnd) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &r) != 0;
}

}  // namespace lumo::test
