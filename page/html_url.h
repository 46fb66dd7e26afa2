// Addresses for the headless engine: resolving a link against its page,
// completing a typed address, splitting an http(s) address for WinInet, and
// the application/x-www-form-urlencoded form of a form's fields.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo::html {

struct UrlParts {
    std::string scheme;  // lower case, without ':'
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;     // without '?'
    std::optional<std::string> fragment;  // without '#'
};

// Splits an absolute address (one with a scheme); nullopt otherwise.
std::optional<UrlParts> ParseAbsoluteUrl(std::string_view url);
std::string JoinUrl(const UrlParts& parts);

// Removes "." and ".." segments from a path (RFC 3986 5.2.4).
std::string RemoveDotSegments(std::string_view path);

// Resolves `reference` (an href, a form action, a window.open argument)
// against the absolute address `base` (RFC 3986 5.2). White space around the
// reference is dropped, tabs and line breaks inside it too, and bytes that
// may not stand in an address (blanks, non-ASCII) are percent-encoded as
// UTF-8. "" when the result is not an absolute address (a relative
// reference against "about:blank").
std::string ResolveUrl(std::string_view base, std::string_view reference);

// The address without its "#fragment".
std::string WithoutFragment(std::string_view url);
// True when both addresses differ at most in their fragments.
bool SameDocument(std::string_view a, std::string_view b);

// A typed address made absolute: "127.0.0.1:80/x" and "www.a.com" get
// "http://"; scheme and host are lowered; an http(s) address without a path
// gets "/". Empty input gives "".
std::string CompleteAddress(std::string_view typed);

bool IsAboutUrl(std::string_view url);

// The parts WinInet needs to request an http or https address.
struct HttpTarget {
    bool secure = false;
    std::string host;  // without brackets for IPv6
    int port = 80;
    std::string pathAndQuery;  // "/" at least; no fragment
};
std::optional<HttpTarget> HttpTargetOf(std::string_view url);

// application/x-www-form-urlencoded: UTF-8 bytes, blanks as '+', everything
// except letters, digits and "*-._" percent-encoded; pairs joined with '&'.
std::string FormUrlEncode(std::string_view text);
std::string FormUrlEncode(const std::vector<std::pair<std::string, std::string>>& fields);

}  // namespace lumo::html
