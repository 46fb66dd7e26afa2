// A page process's proxy: set once at start, before the first request, for
// this process alone (never the system's settings). Every request of the
// page then goes through it, loopback addresses included, and a proxy that
// does not answer gives an error, never a direct connection.
#pragma once

#include <string>

namespace lumo {

// `proxy`: "host:port" (HTTP) or "socks=host:port", checked; "" for none.
// `systemEngine`: the page shows the system browser control, whose URL
// monikers get the proxy as well. False when the page's engine cannot be
// made to go through it (the page must then load nothing): WinInet or the
// URL monikers refused it, or a SOCKS proxy under a WinInet that would
// pass over it (Wine's).
bool UsePageProxy(const std::string& proxy, bool systemEngine);

// The proxy the headless engine opens its sessions with ("" for none) and
// the bypass list that goes with it: a list naming no host, so that no
// address, loopback and local names included, goes around the proxy.
const std::wstring& PageProxy();
inline constexpr wchar_t kNoProxyBypass[] = L"<-loopback>";

}  // namespace lumo
