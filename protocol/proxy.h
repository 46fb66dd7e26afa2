// A page's proxy: the text a player gives for a saved game ("host:port" for
// an HTTP proxy, "socks=host:port" for a SOCKS one) and its check.
//
// The text reaches a page process's command line and WinInet's proxy
// string, so only a plain host name or IPv4 address (letters, digits, '-',
// '.', '_'), or an IPv6 address in brackets, and a port 1-65535 pass:
// never a blank, a quote, a ';' or '=' beyond the one scheme, or a control
// character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

inline constexpr std::string_view kSocksProxyPrefix = "socks=";

// The proxy in its one written form (blanks around it trimmed, the scheme
// in lower case), "" for an empty or all-blank text (no proxy), nullopt
// for a text that is no proxy.
std::optional<std::string> NormalizeProxy(std::string_view text);

}  // namespace lumo
