// RAII owners for Win32 resources: one template, UniqueResource, and a traits
// struct per kind of resource that says what counts as empty and how to free
// it. Kernel handles, registry keys, Internet handles, menus and GDI objects
// all use it; OLE initialisation has a scope guard of its own.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <wininet.h>

#include <utility>

namespace lumo {

template <class Traits>
class UniqueResource {
  public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type h) : h_(h) {}
    UniqueResource(UniqueResource&& o) noexcept : h_(o.release()) {}
    UniqueResource& operator=(UniqueResource&& o) noexcept {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Type get() const { return h_; }
    bool valid() const { return Traits::Valid(h_); }
    explicit operator bool() const { return valid(); }
    Type release() { return std::exchange(h_, Traits::Empty()); }
    void reset(Type h = Traits::Empty()) {
        if (Traits::Valid(h_))
            Traits::Free(h_);
        h_ = h;
    }
    // For out-parameters: frees the current value and hands out its address.
    Type* put() {
        reset();
        return &h_;
    }

  private:
    Type h_ = Traits::Empty();
};

// Kernel handles: both null and INVALID_HANDLE_VALUE count as empty.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Free(Type h) { CloseHandle(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Free(Type h) { RegCloseKey(h); }
};

struct InternetHandleTraits {
    using Type = HINTERNET;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Free(Type h) { InternetCloseHandle(h); }
};

struct MenuTraits {
    using Type = HMENU;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Free(Type h) { DestroyMenu(h); }
};

// Pens, brushes, fonts, bitmaps, regions: anything DeleteObject frees.
template <class T>
struct GdiObjectTraits {
    using Type = T;
    static Type Empty() { return nullptr; }
    static bool Valid(Type h) { return h != nullptr; }
    static void Free(Type h) { DeleteObject(h); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueHkey = UniqueResource<RegistryKeyTraits>;
using UniqueInternet = UniqueResource<InternetHandleTraits>;
using UniqueMenu = UniqueResource<MenuTraits>;
using UniqueBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueResource<GdiObjectTraits<HPEN>>;
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueRegion = UniqueResource<GdiObjectTraits<HRGN>>;

// Selects a GDI object into a device context for the life of the scope.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~SelectedObject() { SelectObject(dc_, old_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// OLE for the calling thread: initialised in the constructor, released in
// the destructor when the initialisation succeeded (counted by the system, so
// nested scopes are fine).
class OleScope {
  public:
    OleScope() : hr_(OleInitialize(nullptr)) {}
    ~OleScope() {
        if (SUCCEEDED(hr_))
            OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;
    HRESULT result() const { return hr_; }

  private:
    HRESULT hr_;
};

}  // namespace lumo
