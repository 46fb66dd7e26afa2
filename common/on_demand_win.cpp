// System functions bound on first call (see on_demand_win.h).
#include "common/on_demand_win.h"

#include <string>

namespace lumo::ondemand {

namespace {

// The library stays loaded for the rest of the process. The common controls
// are loaded by name, so that the manifest's activation context picks version
// 6; the others from the system folder only.
HMODULE Library(const wchar_t* name, bool systemFolder) {
    if (!systemFolder)
        return LoadLibraryW(name);
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return nullptr;
    return LoadLibraryW((std::wstring(folder, n) + L"\\" + name).c_str());
}

template <class Fn>
Fn Bind(const wchar_t* library, bool systemFolder, const char* name) {
    HMODULE module = Library(library, systemFolder);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

template <class Fn>
Fn CommonControls(const char* name) {
    return Bind<Fn>(L"comctl32.dll", false, name);
}

// What a function whose library is missing returns.
template <class R>
R Missing(R result) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return result;
}

}  // namespace

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
    static const auto fn =
        CommonControls<decltype(&::InitCommonControlsEx)>("InitCommonControlsEx");
    return fn ? fn(icc) : Missing(FALSE);
}

BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
    static const auto fn = CommonControls<decltype(&::SetWindowSubclass)>("SetWindowSubclass");
    return fn ? fn(hwnd, proc, id, data) : Missing(FALSE);
}

BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
    static const auto fn =
        CommonControls<decltype(&::RemoveWindowSubclass)>("RemoveWindowSubclass");
    return fn ? fn(hwnd, proc, id) : Missing(FALSE);
}

LRESULT DefSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    static const auto fn = CommonControls<decltype(&::DefSubclassProc)>("DefSubclassProc");
    return fn ? fn(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

HIMAGELIST ImageList_LoadImageW(HINSTANCE inst, LPCWSTR name, int cx, int grow, COLORREF mask,
                                UINT type, UINT flags) {
    static const auto fn =
        CommonControls<decltype(&::ImageList_LoadImageW)>("ImageList_LoadImageW");
    return fn ? fn(inst, name, cx, grow, mask, type, flags) : Missing<HIMAGELIST>(nullptr);
}

int ImageList_GetImageCount(HIMAGELIST list) {
    static const auto fn =
        CommonControls<decltype(&::ImageList_GetImageCount)>("ImageList_GetImageCount");
    return fn ? fn(list) : Missing(0);
}

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
    static const auto fn = CommonControls<decltype(&::ImageList_Create)>("ImageList_Create");
    return fn ? fn(cx, cy, flags, initial, grow) : Missing<HIMAGELIST>(nullptr);
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask) {
    static const auto fn = CommonControls<decltype(&::ImageList_AddMasked)>("ImageList_AddMasked");
    return fn ? fn(list, image, mask) : Missing(-1);
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
    static const auto fn = CommonControls<decltype(&::ImageList_Draw)>("ImageList_Draw");
    return fn ? fn(list, index, dc, x, y, style) : Missing(FALSE);
}

BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk,
                      COLORREF fg, UINT style) {
    static const auto fn = CommonControls<decltype(&::ImageList_DrawEx)>("ImageList_DrawEx");
    return fn ? fn(list, index, dc, x, y, dx, dy, bk, fg, style) : Missing(FALSE);
}

BOOL TransparentBlt(HDC dst, int xDst, int yDst, int wDst, int hDst, HDC src, int xSrc, int ySrc,
                    int wSrc, int hSrc, UINT transparent) {
    static const auto fn =
        Bind<decltype(&::TransparentBlt)>(L"msimg32.dll", true, "TransparentBlt");
    return fn ? fn(dst, xDst, yDst, wDst, hDst, src, xSrc, ySrc, wSrc, hSrc, transparent)
              : Missing(FALSE);
}

BOOL CryptProtectData(DATA_BLOB* in, LPCWSTR description, DATA_BLOB* entropy, PVOID reserved,
                      CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out) {
    static const auto fn =
        Bind<decltype(&::CryptProtectData)>(L"crypt32.dll", true, "CryptProtectData");
    return fn ? fn(in, description, entropy, reserved, prompt, flags, out) : Missing(FALSE);
}

BOOL CryptUnprotectData(DATA_BLOB* in, LPWSTR* description, DATA_BLOB* entropy, PVOID reserved,
                        CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out) {
    static const auto fn =
        Bind<decltype(&::CryptUnprotectData)>(L"crypt32.dll", true, "CryptUnprotectData");
    return fn ? fn(in, description, entropy, reserved, prompt, flags, out) : Missing(FALSE);
}

LRESULT LresultFromObject(REFIID riid, WPARAM wp, IUnknown* object) {
    static const auto fn =
        Bind<decltype(&::LresultFromObject)>(L"oleacc.dll", true, "LresultFromObject");
    return fn ? fn(riid, wp, object) : Missing<LRESULT>(E_NOTIMPL);
}

HRESULT AccessibleObjectFromWindow(HWND hwnd, DWORD objectId, REFIID riid, void** object) {
    static const auto fn = Bind<decltype(&::AccessibleObjectFromWindow)>(
        L"oleacc.dll", true, "AccessibleObjectFromWindow");
    if (!fn) {
        if (object)
            *object = nullptr;
        return Missing<HRESULT>(E_NOTIMPL);
    }
    return fn(hwnd, objectId, riid, object);
}

}  // namespace lumo::ondemand
