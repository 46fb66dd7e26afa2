// The proxy text's check.
#include "protocol/proxy.h"

#include <algorithm>
#include <charconv>

#include "common/text.h"

namespace lumo {

namespace {

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_';
}

bool IsHost(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        std::string_view inner = host.substr(1, host.size() - 2);
        return !inner.empty() && std::all_of(inner.begin(), inner.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
                   c == ':' || c == '.';
        });
    }
    return !host.empty() && host.size() <= 253 && host.front() != '-' && host.front() != '.' &&
           std::all_of(host.begin(), host.end(), IsHostChar);
}

bool IsPort(std::string_view port) {
    if (port.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    unsigned value = 0;
    std::from_chars(port.data(), port.data() + port.size(), value);
    return value >= 1 && value <= 65535;
}

}  // namespace

std::optional<std::string> NormalizeProxy(std::string_view text) {
    std::string_view s = TrimView(text);
    if (s.empty())
        return std::string();
    std::string out;
    if (StartsWithNoCase(s, kSocksProxyPrefix)) {
        out = kSocksProxyPrefix;
        s.remove_prefix(kSocksProxyPrefix.size());
    }
    const size_t colon = s.rfind(':');
    if (colon == std::string_view::npos || !IsHost(s.substr(0, colon)) ||
        !IsPort(s.substr(colon + 1)))
        return std::nullopt;
    out += s;
    return out;
}

}  // namespace lumo
