// The page process's proxy, for WinInet, the URL monikers and the headless engine.
#include "page/page_proxy_win.h"

#include <windows.h>
#include <wininet.h>

#include "common/log.h"
#include "common/text_win.h"
#include "protocol/proxy.h"

namespace lumo {

namespace {

std::wstring g_proxy;  // written once at start, before any loader thread

using SetSessionOption = HRESULT(WINAPI*)(DWORD, void*, DWORD, DWORD);

}  // namespace

bool UsePageProxy(const std::string& proxy, bool systemEngine) {
    if (proxy.empty())
        return true;
    // Wine's WinInet passes over a "socks=" entry and connects directly
    // (measured): such a page must not load at all.
    if (proxy.starts_with(kSocksProxyPrefix) &&
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        LogError("page", "this WinInet has no SOCKS proxies; page not started");
        return false;
    }
    g_proxy = ToW(proxy);
    // INTERNET_OPTION_PROXY on no handle: this process's WinInet, in memory
    // only. (The per-connection options on no handle would change the
    // system's settings.)
    INTERNET_PROXY_INFO info{};  // the W form: UNICODE is defined
    info.dwAccessType = INTERNET_OPEN_TYPE_PROXY;
    info.lpszProxy = g_proxy.c_str();
    info.lpszProxyBypass = kNoProxyBypass;
    // The headless engine opens its sessions with the proxy itself: for it
    // this setting is a second line of defence only.
    bool ok = InternetSetOptionW(nullptr, INTERNET_OPTION_PROXY, &info, sizeof info) != FALSE ||
              !systemEngine;
    if (!ok)
        LogError("page",
                 "proxy not taken by WinInet (error " + std::to_string(GetLastError()) + ")");
    if (systemEngine) {
        // The browser control loads through URL monikers, whose session
        // takes the proxy through urlmon. Bound here, so the headless
        // engine's pages never load urlmon.
        HMODULE urlmon = LoadLibraryW(L"urlmon.dll");
        auto set = urlmon ? reinterpret_cast<SetSessionOption>(reinterpret_cast<void*>(
                                GetProcAddress(urlmon, "UrlMkSetSessionOption")))
                          : nullptr;
        HRESULT hr = set ? set(INTERNET_OPTION_PROXY, &info, sizeof info, 0) : E_NOTIMPL;
        if (FAILED(hr)) {
            LogError("page", "proxy not taken by the URL monikers (" + std::to_string(hr) + ")");
            ok = false;
        }
    }
    return ok;
}

const std::wstring& PageProxy() {
    return g_proxy;
}

}  // namespace lumo
