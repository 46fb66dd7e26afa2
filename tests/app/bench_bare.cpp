// A bare GUI process for the page benchmarks: one window, a message loop,
// nothing else; what a page process is measured against. Its arguments name
// DLLs to load first (to see what each adds to the working set) and "trim"
// to give the working set back once the window is up.
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    bool trim = false;
    for (int i = 1; argv && i < argc; ++i) {
        if (lstrcmpiW(argv[i], L"trim") == 0)
            trim = true;
        else
            LoadLibraryW(argv[i]);
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = L"LumoBenchBare";
    RegisterClassW(&wc);
    CreateWindowExW(0, L"LumoBenchBare", L"bare", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                    instance, nullptr);
    if (trim)
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1),
                                 static_cast<SIZE_T>(-1));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
