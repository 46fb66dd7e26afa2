// Helpers shared by the tests that run under Wine.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/handle_win.h"

namespace lumo::test {

// A path of the build machine ("/work/x") as Wine sees it ("Z:\work\x").
std::string HostPath(const std::string& unixPath);

// Environment variable as UTF-8, "" when unset.
std::string Env(const char* name);

// "127.0.0.1:port" of the local maker server, from LUMO_TEST_SERVER.
std::string ServerHost();
std::string ServerUrl(const std::string& path);
// The body of a GET of `path` on the maker server ("" when it fails). A
// request that fails is tried twice more: on a loaded machine WinInet may
// drop one, and every request of the tests to the server may be repeated.
std::string Server(const std::string& path);

// A fresh folder under the temp folder, with trailing backslash; removed by
// the destructor.
class TempFolder {
  public:
    explicit TempFolder(const std::string& tag);
    ~TempFolder();
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// A program folder laid out like an installation: Lumo.exe,
// Update\LumoUpdate.exe and a Config.ini that points at the local maker server.
std::string LayOutProgramFolder(const std::string& folder);

// Top-level windows of the given class that belong to process `pid`.
std::vector<HWND> WindowsOfProcess(DWORD pid, const wchar_t* className);

struct Started {
    UniqueHandle process;
    UniqueHandle thread;
    DWORD pid = 0;
    bool Ended(DWORD waitMs = 0) const {
        return WaitForSingleObject(process.get(), waitMs) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        return code;
    }
};

// Starts `exe` with the arguments (quoted as the shell quotes them).
std::optional<Started> StartProgram(const std::string& exe, const std::vector<std::string>& args,
                                    const std::string& workDir = {});

// A built test helper program of tests/support (e.g. "fake_shell.exe").
std::string TestProgram(const std::string& name);

// The window of class `cls` of process `pid`, waiting up to `ms`.
HWND WaitForWindow(DWORD pid, const wchar_t* cls, int ms);

// The page windows ("TFormWebBrowser") that are direct children of `panel`.
std::vector<HWND> PageWindowsIn(HWND panel);

// The visible top-level window of class `cls` of process `pid`, waiting up
// to `ms`; null when none shows.
HWND WaitForVisibleWindow(DWORD pid, const wchar_t* cls, int ms);

// Running processes whose executable name is `exeName` (any letter case).
std::vector<DWORD> ProcessesNamed(const std::string& exeName);

// The command line process `pid` was started with, read from its process
// block; "" when it cannot be read.
std::string ProcessCommandLine(DWORD pid);

// Whether the window still answers messages.
bool Answers(HWND hwnd);

// Polls `pred` every 20 ms until it holds or `ms` pass.
template <class Pred>
bool WaitFor(Pred pred, int ms) {
    for (int waited = 0;; waited += 20) {
        if (pred())
            return true;
        if (waited >= ms)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
}

}  // namespace lumo::test
