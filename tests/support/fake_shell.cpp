// A stand-in shell process for the tests: holds the single-instance mutex
// "Lumo" (with --mutex), shows a "TfrmMain" window and appends every text
// command it receives to the file named by its first argument. Copied into
// a test folder as Lumo.exe, it is what a second Lumo start looks for.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/text_win.h"
#include "tests/support/recording_shell.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::string log = argc > 1 ? lumo::FromW(argv[1]) : std::string();
    bool mutex = argc > 2 && std::wstring(argv[2]) == L"--mutex";
    LocalFree(argv);
    if (mutex)
        CreateMutexW(nullptr, FALSE, L"Lumo");
    lumo::test::RecordingShell shell;
    if (!shell.Create(log, true))
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
