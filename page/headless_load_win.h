// The headless engine's loader: one WinInet load on a worker thread, and its page text.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "common/handle_win.h"
#include "page/html_form.h"

namespace lumo::headless {

inline constexpr char kErrorTitle[] = "无法显示此页";

struct LoadResult {
    bool ok = false;
    DWORD error = 0;
    std::string finalUrl;
    std::string contentType;
    std::string body;
};

inline LoadResult Failure(DWORD error) {
    LoadResult r;
    r.error = error ? error : ERROR_INTERNET_INTERNAL_ERROR;
    return r;
}

// One load. The worker and the window's thread share it; the internet
// handles live here so that Cancel() can close them from the window's thread
// and unblock the worker, and every handle is closed exactly once.
class LoadJob {
  public:
    LoadJob(int seq, html::Request request, bool reload)
        : seq_(seq), request_(std::move(request)), reload_(reload) {}

    int seq() const { return seq_; }
    const html::Request& request() const { return request_; }
    bool reload() const { return reload_; }

    void Cancel() {
        std::lock_guard lock(mu_);
        cancelled_ = true;
        for (UniqueInternet& h : handles_) h.reset();
    }
    bool Cancelled() const {
        std::lock_guard lock(mu_);
        return cancelled_;
    }
    // Takes ownership of `h` as handle number `slot`; false (and `h` closed)
    // when the job was cancelled meanwhile.
    bool Adopt(int slot, HINTERNET h) {
        std::lock_guard lock(mu_);
        if (cancelled_) {
            InternetCloseHandle(h);
            return false;
        }
        handles_[slot].reset(h);
        return true;
    }
    // Closes handle number `slot` (a redirect's next request gets new ones).
    void Release(int slot) {
        std::lock_guard lock(mu_);
        handles_[slot].reset();
    }
    void ReleaseHandles() {
        std::lock_guard lock(mu_);
        for (int i = 2; i >= 0; --i) handles_[i].reset();
    }

    void SetResult(LoadResult r) {
        std::lock_guard lock(mu_);
        result_ = std::move(r);
    }
    LoadResult TakeResult() {
        std::lock_guard lock(mu_);
        return result_ ? std::move(*result_) : Failure(ERROR_INTERNET_OPERATION_CANCELLED);
    }

  private:
    const int seq_;
    const html::Request request_;
    const bool reload_;
    mutable std::mutex mu_;
    bool cancelled_ = false;
    UniqueInternet handles_[3];  // session, connection, request
    std::optional<LoadResult> result_;
};

LoadResult Load(LoadJob& job);
std::string DecodePage(std::string_view bytes, int codePage);
std::string ErrorPage(std::string_view url, DWORD error);
bool IsHtmlType(std::string_view contentType);

}  // namespace lumo::headless
