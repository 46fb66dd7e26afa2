// Cookies of a page process live in that process only: no account's cookie
// reaches another tab through a cookie store the system shares, whether or
// not the store honours the per-user cookie folder a page was started with.
//
// The system engine: WinInet is told at page start, before any request, to
// keep every cookie for the session (persistent ones included) in the
// process's memory. The headless engine sends and keeps its cookies itself
// (SessionCookieHeader, KeepSessionCookies), as not every WinInet honours
// that option.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

namespace lumo {

// At page-process start, before the first request: WinInet keeps no cookie
// beyond this process. False when WinInet refused the option.
bool KeepCookiesInProcessMemory() noexcept;

// The Cookie header line ("Cookie: ...\r\n", "" when none) for a request to
// `url` from this process's own cookies.
std::wstring SessionCookieHeader(const std::string& url);
// Keeps the cookies an answer to a request for `url` set.
void KeepSessionCookies(HINTERNET request, const std::string& url);

}  // namespace lumo
