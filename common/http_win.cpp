// HTTP GET with a hard deadline. WinInet's own time-out options do not cover
// every stage (name resolution, a server that accepts and never answers), so
// the request runs on a short-lived thread and the caller waits at most
// `timeout`; on expiry the root internet handle is closed, which makes every
// pending WinInet call on it fail at once, and the caller returns nullopt.
#include <windows.h>
#include <wininet.h>

#include <memory>
#include <mutex>
#include <thread>

#include "common/handle_win.h"
#include "common/http.h"
#include "common/text_win.h"

namespace lumo {

namespace {

constexpr wchar_t kAgent[] = L"Mozilla/4.0 (compatible; Lumo)";

struct Request {
    std::wstring url;
    DWORD timeoutMs = 0;

    std::mutex mu;
    HINTERNET root = nullptr;  // closed by whoever gets there first
    bool abandoned = false;    // the caller stopped waiting

    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::optional<HttpResponse> result;

    void CloseRoot() {
        std::lock_guard lock(mu);
        if (root) {
            InternetCloseHandle(root);
            root = nullptr;
        }
    }
};

std::string QueryHeader(HINTERNET req, DWORD info) {
    wchar_t buf[512];
    DWORD size = sizeof(buf);
    DWORD index = 0;
    if (!HttpQueryInfoW(req, info, buf, &size, &index))
        return {};
    return FromW(std::wstring_view(buf, size / sizeof(wchar_t)));
}

std::optional<HttpResponse> Run(Request& r) {
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    wchar_t host[256], path[4096], extra[4096];
    parts.lpszHostName = host;
    parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = static_cast<DWORD>(std::size(extra));
    if (!InternetCrackUrlW(r.url.c_str(), 0, 0, &parts))
        return std::nullopt;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return std::nullopt;
    std::wstring object =
        std::wstring(path, parts.dwUrlPathLength) + std::wstring(extra, parts.dwExtraInfoLength);
    if (object.empty())
        object = L"/";

    HINTERNET root = InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!root)
        return std::nullopt;
    {
        std::lock_guard lock(r.mu);
        if (r.abandoned) {
            InternetCloseHandle(root);
            return std::nullopt;
        }
        r.root = root;
    }
    for (DWORD opt : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                      INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        InternetSetOptionW(root, opt, &r.timeoutMs, sizeof(r.timeoutMs));
    }

    // Children of `root`; closing root (here or from the waiting caller)
    // closes them too, so they are released only while root is alive.
    HINTERNET conn = InternetConnectW(root, std::wstring(host, parts.dwHostNameLength).c_str(),
                                      parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!conn)
        return std::nullopt;
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    HINTERNET req =
        HttpOpenRequestW(conn, L"GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0);
    if (!req)
        return std::nullopt;
    if (!HttpSendRequestW(req, nullptr, 0, nullptr, 0))
        return std::nullopt;

    HttpResponse resp;
    DWORD status = 0, size = sizeof(status), index = 0;
    if (!HttpQueryInfoW(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        &index))
        return std::nullopt;
    resp.status = static_cast<int>(status);
    resp.lastModified = QueryHeader(req, HTTP_QUERY_LAST_MODIFIED);
    char buf[8192];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(req, buf, sizeof(buf), &got))
            return std::nullopt;
        if (got == 0)
            break;
        resp.body.append(buf, got);
    }
    return resp;
}

void Worker(std::shared_ptr<Request> r) {
    std::optional<HttpResponse> resp = Run(*r);
    r->CloseRoot();
    {
        std::lock_guard lock(r->mu);
        if (!r->abandoned)
            r->result = std::move(resp);
    }
    SetEvent(r->done.get());
}

std::optional<HttpResponse> Attempt(std::wstring url, DWORD timeoutMs) {
    auto r = std::make_shared<Request>();
    r->url = std::move(url);
    r->timeoutMs = timeoutMs > 0 ? timeoutMs : 1;
    if (!r->done.valid())
        return std::nullopt;
    try {
        std::thread(Worker, r).detach();
    } catch (...) {
        return std::nullopt;
    }
    if (WaitForSingleObject(r->done.get(), r->timeoutMs) == WAIT_OBJECT_0) {
        std::lock_guard lock(r->mu);
        return std::move(r->result);
    }
    {
        std::lock_guard lock(r->mu);
        r->abandoned = true;
    }
    r->CloseRoot();  // aborts the pending call; the worker then ends by itself
    return std::nullopt;
}

}  // namespace

// A settings refresh of WinInet in another thread of the process (the
// shell's cookie-folder redirect does one for every page start) can make a
// request fail at once; one that failed early is tried once more.
std::optional<HttpResponse> HttpGet(std::string_view url, std::chrono::milliseconds timeout) {
    const ULONGLONG start = GetTickCount64();
    const DWORD total = static_cast<DWORD>(timeout.count() > 0 ? timeout.count() : 1);
    std::optional<HttpResponse> resp = Attempt(ToW(url), total);
    const ULONGLONG spent = GetTickCount64() - start;
    if (!resp && spent < total / 2)
        resp = Attempt(ToW(url), static_cast<DWORD>(total - spent));
    return resp;
}

}  // namespace lumo
