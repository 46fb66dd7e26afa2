// A bare GUI process for the page benchmarks: one window, a message loop,
// nothing else; what a page process is measured against.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = L"LumoBenchBare";
    RegisterClassW(&wc);
    CreateWindowExW(0, L"LumoBenchBare", L"bare", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                    instance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
