// Owners for the three kinds of COM resource the browser code handles: an
// interface pointer (ComPtr), a BSTR (Bstr) and a VARIANT (Variant). Each
// releases what it holds when it goes out of scope, so an exception thrown
// half-way through a sequence of calls leaks nothing.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "common/text_win.h"
#include "page/browser_control.h"

namespace lumo {

template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a reference of its own.
    explicit ComPtr(T* p) : p_(p) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Adopts a pointer whose reference the caller already owns.
    static ComPtr Adopt(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }

    void Reset() noexcept {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    // Gives up ownership without releasing.
    T* Detach() noexcept { return std::exchange(p_, nullptr); }
    // Releases the current pointer and returns the slot for an out-parameter.
    T** Put() noexcept {
        Reset();
        return &p_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // QueryInterface; an empty pointer when the interface is not there.
    template <class U>
    ComPtr<U> As(REFIID iid) const {
        ComPtr<U> r;
        if (p_ && FAILED(p_->QueryInterface(iid, r.PutVoid())))
            r.Reset();
        return r;
    }

  private:
    T* p_ = nullptr;
};

class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::string_view utf8) {
        std::wstring w = ToW(utf8);
        b_ = SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
        if (!b_)
            throw BrowserError("out of memory for a BSTR");
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }

    BSTR Get() const noexcept { return b_; }
    BSTR Detach() noexcept { return std::exchange(b_, nullptr); }
    BSTR* Put() noexcept {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::string Utf8() const {
        return b_ ? FromW(std::wstring_view(b_, SysStringLen(b_))) : std::string();
    }

  private:
    BSTR b_ = nullptr;
};

class Variant {
  public:
    Variant() noexcept { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }

    static Variant Int(LONG i) {
        Variant r;
        r.v_.vt = VT_I4;
        r.v_.lVal = i;
        return r;
    }
    static Variant Text(std::string_view utf8) {
        Variant r;
        Bstr b(utf8);
        r.v_.vt = VT_BSTR;
        r.v_.bstrVal = b.Detach();
        return r;
    }
    Variant(Variant&& o) noexcept {
        v_ = o.v_;
        VariantInit(&o.v_);
    }

    VARIANT& Get() noexcept { return v_; }
    const VARIANT& Get() const noexcept { return v_; }
    VARIANT* Put() noexcept {
        VariantClear(&v_);
        return &v_;
    }

  private:
    VARIANT v_;
};

inline std::string HresultText(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

// Throws BrowserError naming `what` when `hr` reports a failure.
inline void CheckHr(HRESULT hr, const char* what) {
    if (FAILED(hr))
        throw BrowserError(std::string(what) + " failed: " + HresultText(hr));
}

// The text of a variant: a BSTR (or a reference to one), a boolean as
// "true"/"false", anything else as the automation conversion to text gives
// it, with the invariant locale. "" for empty, null or unconvertible values.
inline std::string VariantText(const VARIANT& in) {
    const VARIANT* v = &in;
    while (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
    switch (v->vt) {
        case VT_EMPTY:
        case VT_NULL:
            return std::string();
        case VT_BSTR:
            return v->bstrVal ? FromW(std::wstring_view(v->bstrVal, SysStringLen(v->bstrVal)))
                              : std::string();
        case VT_BYREF | VT_BSTR:
            return v->pbstrVal && *v->pbstrVal
                       ? FromW(std::wstring_view(*v->pbstrVal, SysStringLen(*v->pbstrVal)))
                       : std::string();
        case VT_BOOL:
            return v->boolVal != VARIANT_FALSE ? "true" : "false";
        default:
            break;
    }
    Variant text;
    if (FAILED(VariantChangeTypeEx(text.Put(), const_cast<VARIANT*>(v), LOCALE_INVARIANT,
                                   VARIANT_ALPHABOOL, VT_BSTR)))
        return std::string();
    return VariantText(text.Get());
}

}  // namespace lumo
