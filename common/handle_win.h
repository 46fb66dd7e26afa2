// RAII owners for kernel handles and other Win32 resources.
#pragma once

#include <windows.h>

#include <utility>

namespace lumo {

// Owns a kernel handle; both null and INVALID_HANDLE_VALUE count as empty.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(h_, nullptr); }
    void reset(HANDLE h = nullptr) {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// Owns an open registry key.
class UniqueHkey {
public:
    UniqueHkey() = default;
    explicit UniqueHkey(HKEY k) : k_(k) {}
    UniqueHkey(UniqueHkey&& o) noexcept : k_(std::exchange(o.k_, nullptr)) {}
    UniqueHkey& operator=(UniqueHkey&& o) noexcept {
        if (this != &o) reset(std::exchange(o.k_, nullptr));
        return *this;
    }
    UniqueHkey(const UniqueHkey&) = delete;
    UniqueHkey& operator=(const UniqueHkey&) = delete;
    ~UniqueHkey() { reset(); }

    HKEY get() const { return k_; }
    HKEY* put() {
        reset();
        return &k_;
    }
    bool valid() const { return k_ != nullptr; }
    void reset(HKEY k = nullptr) {
        if (k_) RegCloseKey(k_);
        k_ = k;
    }

private:
    HKEY k_ = nullptr;
};

}  // namespace lumo
