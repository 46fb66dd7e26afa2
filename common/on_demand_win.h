// Functions of system libraries that only some features use, bound on their
// first call instead of imported: a process that never uses the feature
// never loads the library. A page process draws no skin, subclasses no
// control and protects no saved login, so it loads neither the common
// controls, oleacc nor CryptoAPI (which brings the TLS libraries along under Wine).
// Each behaves as the system function, failing as it would (last error
// ERROR_PROC_NOT_FOUND) when its library cannot be loaded.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <wincrypt.h>

namespace lumo::ondemand {

// comctl32 (version 6 through the program's manifest).
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);
BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);
LRESULT DefSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
HIMAGELIST ImageList_LoadImageW(HINSTANCE inst, LPCWSTR name, int cx, int grow, COLORREF mask,
                                UINT type, UINT flags);
int ImageList_GetImageCount(HIMAGELIST list);
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk,
                      COLORREF fg, UINT style);

// msimg32.
BOOL TransparentBlt(HDC dst, int xDst, int yDst, int wDst, int hDst, HDC src, int xSrc, int ySrc,
                    int wSrc, int hSrc, UINT transparent);

// crypt32.
BOOL CryptProtectData(DATA_BLOB* in, LPCWSTR description, DATA_BLOB* entropy, PVOID reserved,
                      CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out);
BOOL CryptUnprotectData(DATA_BLOB* in, LPWSTR* description, DATA_BLOB* entropy, PVOID reserved,
                        CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out);

// oleacc: only a process that a screen reader or an automation client asks
// for the accessible objects of its drawn controls loads it.
LRESULT LresultFromObject(REFIID riid, WPARAM wp, IUnknown* object);
HRESULT AccessibleObjectFromWindow(HWND hwnd, DWORD objectId, REFIID riid, void** object);

}  // namespace lumo::ondemand
