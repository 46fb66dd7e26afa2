// The headless engine's loader: the WinInet request, the answer's bytes and their text.
#include "page/headless_load_win.h"

#include "common/text.h"
#include "common/text_win.h"
#include "page/html_charset.h"
#include "page/html_url.h"
#include "page/page_proxy_win.h"
#include "page/session_cookies_win.h"

namespace lumo::headless {
namespace {

constexpr wchar_t kUserAgent[] =
    L"Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0; LumoHeadless)";
constexpr DWORD kTimeoutMs = 30000;
constexpr size_t kMaxPageBytes = 16u << 20;
constexpr int kMaxRedirects = 20;

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

DWORD StatusOf(HINTERNET request) {
    DWORD status = 0, size = sizeof status;
    HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                   nullptr);
    return status;
}

std::string QueryInfoText(HINTERNET request, DWORD what) {
    DWORD bytes = 0;
    HttpQueryInfoW(request, what, nullptr, &bytes, nullptr);
    if (bytes == 0)
        return "";
    std::wstring buf(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!HttpQueryInfoW(request, what, buf.data(), &bytes, nullptr))
        return "";
    buf.resize(bytes / sizeof(wchar_t));
    return FromW(buf);
}

std::string QueryUrl(HINTERNET request) {
    DWORD bytes = 0;
    InternetQueryOptionW(request, INTERNET_OPTION_URL, nullptr, &bytes);
    if (bytes == 0)
        return "";
    std::wstring buf(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!InternetQueryOptionW(request, INTERNET_OPTION_URL, buf.data(), &bytes))
        return "";
    return FromW(buf.c_str());
}

}  // namespace

// The worker's part: request the job's address and read the whole answer.
// Redirects are followed here, not by WinInet, so that the cookies of every
// answer are kept: the page process's own (page/session_cookies_win.h),
// never WinInet's store, which the system may share between pages.
LoadResult Load(LoadJob& job) {
    html::Request req = job.request();
    if (!html::HttpTargetOf(req.url))
        return Failure(ERROR_INTERNET_UNRECOGNIZED_SCHEME);

    // A page with a proxy goes through it for every address; one that does
    // not answer fails the load.
    const std::wstring& proxy = PageProxy();
    HINTERNET session =
        proxy.empty()
            ? InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)
            : InternetOpenW(kUserAgent, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), kNoProxyBypass, 0);
    if (!session)
        return Failure(GetLastError());
    if (!job.Adopt(0, session))
        return Failure(ERROR_INTERNET_OPERATION_CANCELLED);
    DWORD timeout = kTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(session, option, &timeout, sizeof timeout);

    for (int hop = 0;; ++hop) {
        std::optional<html::HttpTarget> target = html::HttpTargetOf(req.url);
        if (!target)
            return Failure(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
        job.Release(2);
        job.Release(1);
        HINTERNET connection = InternetConnectW(session, ToW(target->host).c_str(),
                                                static_cast<INTERNET_PORT>(target->port), nullptr,
                                                nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        if (!connection)
            return Failure(GetLastError());
        if (!job.Adopt(1, connection))
            return Failure(ERROR_INTERNET_OPERATION_CANCELLED);

        DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                      INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES |
                      INTERNET_FLAG_NO_AUTO_REDIRECT;
        if (target->secure)
            flags |= INTERNET_FLAG_SECURE;
        if (job.reload() || req.IsPost())
            flags |= INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE;
        const wchar_t* accept[] = {L"*/*", nullptr};
        HINTERNET request =
            HttpOpenRequestW(connection, req.IsPost() ? L"POST" : L"GET",
                             ToW(target->pathAndQuery).c_str(), nullptr, nullptr, accept, flags, 0);
        if (!request)
            return Failure(GetLastError());
        if (!job.Adopt(2, request))
            return Failure(ERROR_INTERNET_OPERATION_CANCELLED);

        std::wstring headers = L"Accept-Language: zh-CN\r\n" + SessionCookieHeader(req.url);
        if (req.IsPost())
            headers += L"Content-Type: application/x-www-form-urlencoded\r\n";
        // A cancelled job's handles are closed; checking before each call
        // keeps the worker from using a handle value that may be reused.
        if (job.Cancelled())
            return Failure(ERROR_INTERNET_OPERATION_CANCELLED);
        if (!HttpSendRequestW(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                              req.IsPost() ? req.body.data() : nullptr,
                              req.IsPost() ? static_cast<DWORD>(req.body.size()) : 0))
            return Failure(GetLastError());
        if (job.Cancelled())
            return Failure(ERROR_INTERNET_OPERATION_CANCELLED);
        KeepSessionCookies(request, req.url);

        const DWORD status = StatusOf(request);
        if (IsRedirect(status) && hop < kMaxRedirects) {
            std::string next =
                html::ResolveUrl(req.url, QueryInfoText(request, HTTP_QUERY_LOCATION));
            if (!next.empty() && html::HttpTargetOf(next)) {
                // 303, and 301 or 302 after a POST, go on with a GET.
                if (status == 303 || ((status == 301 || status == 302) && req.IsPost())) {
                    req.method = "GET";
                    req.body.clear();
                }
                req.url = html::WithoutFragment(next);
                continue;
            }
        }

        LoadResult r;
        r.contentType = QueryInfoText(request, HTTP_QUERY_CONTENT_TYPE);
        r.finalUrl = QueryUrl(request);
        char buf[16384];
        for (;;) {
            DWORD got = 0;
            if (job.Cancelled())
                return Failure(ERROR_INTERNET_OPERATION_CANCELLED);
            if (!InternetReadFile(request, buf, sizeof buf, &got))
                return Failure(GetLastError());
            if (got == 0)
                break;
            if (r.body.size() + got > kMaxPageBytes)
                break;
            r.body.append(buf, got);
        }
        r.ok = true;
        return r;
    }
}

std::string DecodePage(std::string_view bytes, int codePage) {
    if (codePage == html::kCodePageUtf8) {
        if (bytes.starts_with("\xEF\xBB\xBF"))
            bytes.remove_prefix(3);
        return html::IsValidUtf8(bytes) ? std::string(bytes) : Utf16ToUtf8(Utf8ToUtf16(bytes));
    }
    if (codePage == html::kCodePageLatin1)
        return html::Latin1ToUtf8(bytes);
    if (bytes.empty())
        return "";
    const int size = static_cast<int>(bytes.size());
    const int wide = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (wide <= 0)
        return html::Latin1ToUtf8(bytes);
    std::wstring w(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, w.data(), wide);
    return FromW(w);
}

std::string ErrorPage(std::string_view url, DWORD error) {
    return std::string("<html><head><title>") + kErrorTitle + "</title></head><body><h1>" +
           kErrorTitle + "</h1><p id=\"address\">" + EscapeMarkup(url) +
           "</p><p id=\"error\">WinInet " + std::to_string(error) + "</p></body></html>";
}

bool IsHtmlType(std::string_view contentType) {
    const std::string type = AsciiLower(Trim(contentType.substr(0, contentType.find(';'))));
    return type.empty() || type == "text/html" || type == "application/xhtml+xml";
}

}  // namespace lumo::headless
