// The DPI of windows and fonts for a DPI.
#include "common/dpi_win.h"

#include <map>
#include <mutex>

namespace lumo {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn DpiForWindowFunction() {
    static const auto fn = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                      : nullptr;
    }();
    return fn;
}

}  // namespace

int SystemDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        int value = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
        if (screen)
            ReleaseDC(nullptr, screen);
        return value > 0 ? value : kDesignDpi;
    }();
    return dpi;
}

constexpr wchar_t kLayoutDpiProperty[] = L"LumoLayoutDpi";

void SetLayoutDpi(HWND topLevel, int dpi) {
    if (topLevel)
        SetPropW(topLevel, kLayoutDpiProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpi)));
}

int DpiOf(HWND window) {
    if (window) {
        HWND root = GetAncestor(window, GA_ROOT);
        auto recorded =
            reinterpret_cast<INT_PTR>(GetPropW(root ? root : window, kLayoutDpiProperty));
        if (recorded > 0)
            return static_cast<int>(recorded);
        if (GetDpiForWindowFn fn = DpiForWindowFunction()) {
            UINT dpi = fn(window);
            if (dpi > 0)
                return static_cast<int>(dpi);
        }
    }
    return SystemDpi();
}

RECT Scale(const RECT& rect, int dpi) {
    return {Scale(static_cast<int>(rect.left), dpi), Scale(static_cast<int>(rect.top), dpi),
            Scale(static_cast<int>(rect.right), dpi), Scale(static_cast<int>(rect.bottom), dpi)};
}

SIZE Scale(SIZE size, int dpi) {
    return {Scale(static_cast<int>(size.cx), dpi), Scale(static_cast<int>(size.cy), dpi)};
}

HFONT GuiFont(int dpi) {
    static std::mutex lock;
    static std::map<int, UniqueFont> fonts;
    std::lock_guard<std::mutex> hold(lock);
    UniqueFont& font = fonts[dpi];
    if (!font) {
        // The stock font is made for the screen's DPI.
        LOGFONTW lf{};
        if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf)) {
            lf.lfHeight = -12;
            lf.lfCharSet = DEFAULT_CHARSET;
        }
        lf.lfHeight = MulDiv(lf.lfHeight, dpi, SystemDpi());
        lf.lfWidth = 0;
        font.reset(CreateFontIndirectW(&lf));
    }
    return font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

UniqueFont MakeFont(int designHeight, int dpi, const wchar_t* face, int weight, BYTE charset) {
    return UniqueFont(CreateFontW(Scale(designHeight, dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                  charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                  CLEARTYPE_QUALITY, DEFAULT_PITCH, face));
}

void SetGuiFont(HWND control, int dpi) {
    if (control)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont(dpi)), TRUE);
}

int DpiOfChange(WPARAM wp) {
    int dpi = LOWORD(wp);
    return dpi > 0 ? dpi : SystemDpi();
}

void MoveToSuggestedRect(HWND window, LPARAM lp) {
    if (const auto* r = reinterpret_cast<const RECT*>(lp))
        SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace lumo
