#include "page/session_cookies_win.h"

#include <ctime>
#include <mutex>

#include "common/log.h"
#include "common/text_win.h"
#include "page/cookie_jar.h"

#ifndef INTERNET_SUPPRESS_COOKIE_PERSIST
#define INTERNET_SUPPRESS_COOKIE_PERSIST 0x03
#endif

namespace lumo {
namespace {

std::mutex g_jarMutex;  // the engine's loads run on worker threads

html::CookieJar& Jar() {
    static html::CookieJar jar;
    return jar;
}

}  // namespace

bool KeepCookiesInProcessMemory() noexcept {
    DWORD behaviour = INTERNET_SUPPRESS_COOKIE_PERSIST;
    if (InternetSetOptionW(nullptr, INTERNET_OPTION_SUPPRESS_BEHAVIOR, &behaviour,
                           sizeof behaviour))
        return true;
    LogWarn("cookies",
            "WinInet refused to keep cookies in memory, error " + std::to_string(GetLastError()));
    return false;
}

std::wstring SessionCookieHeader(const std::string& url) {
    std::string value;
    {
        std::lock_guard lock(g_jarMutex);
        value = Jar().HeaderFor(url, std::time(nullptr));
    }
    return value.empty() ? std::wstring() : L"Cookie: " + ToW(value) + L"\r\n";
}

void KeepSessionCookies(HINTERNET request, const std::string& url) {
    // One Set-Cookie header at a time, by index, until there is none.
    for (DWORD index = 0;;) {
        DWORD before = index;
        DWORD bytes = 0;
        HttpQueryInfoW(request, HTTP_QUERY_SET_COOKIE, nullptr, &bytes, &index);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0)
            return;
        std::wstring buf(bytes / sizeof(wchar_t) + 1, L'\0');
        index = before;
        if (!HttpQueryInfoW(request, HTTP_QUERY_SET_COOKIE, buf.data(), &bytes, &index))
            return;
        buf.resize(bytes / sizeof(wchar_t));
        std::lock_guard lock(g_jarMutex);
        Jar().Store(url, FromW(buf), std::time(nullptr));
        if (index == before)
            return;  // would read the same header again
    }
}

}  // namespace lumo
