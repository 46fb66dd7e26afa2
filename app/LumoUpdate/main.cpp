// LumoUpdate.exe: one instance at a time (mutex "LumoUpdate"), one window.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/LumoUpdate/resource.h"
#include "common/handle_win.h"
#include "common/log.h"
#include "common/path.h"
#include "common/text_win.h"
#include "updater/update_window_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    lumo::UniqueHandle mutex(CreateMutexW(nullptr, TRUE, L"LumoUpdate"));
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;
    lumo::StartLogging();

    std::vector<std::string> args;
    int argc = 0;
    if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        for (int i = 1; i < argc; ++i) args.push_back(lumo::FromW(argv[i]));
        LocalFree(argv);
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    lumo::UpdaterWindow window;
    if (!window.Create(args, lumo::ExecutablePath(),
                       LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP))))
        return 1;
    ShowWindow(window.hwnd(), show == SW_HIDE ? SW_SHOWNORMAL : show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window.hwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return 0;
}
