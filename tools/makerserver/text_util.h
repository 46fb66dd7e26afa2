// Small text helpers of the maker server: encodings, escaping, cookies,
// HTTP dates and byte ranges.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <string_view>

namespace makerserver {

// Text and double-quoted attribute values in HTML.
std::string HtmlEscape(std::string_view text);

// Percent-encoding of everything but unreserved characters, and its inverse
// ('+' stays '+': cookie values are not form data).
std::string PercentEncode(std::string_view text);
std::string PercentDecode(std::string_view text);

// "Cookie: a=1; b=2" header value into a map (the first of duplicate names wins).
std::map<std::string, std::string> ParseCookieHeader(std::string_view header);

// RFC 1123 date in GMT: "Sun, 06 Nov 1994 08:49:37 GMT".
std::string HttpDate(std::time_t when);

// A single "bytes=first-last" / "bytes=first-" / "bytes=-suffix" range,
// resolved against a body of `size` bytes. The unit name is matched without
// regard to case; a last position at or beyond the end is cut to the last byte.
struct ByteRange {
    uint64_t first = 0;
    uint64_t last = 0;  // inclusive
};
enum class RangeCheck {
    kIgnore,         // malformed or several ranges: answer the whole body
    kSatisfiable,    // answer 206 with the range
    kUnsatisfiable,  // answer 416
};
RangeCheck ResolveByteRange(std::string_view header, uint64_t size, ByteRange& out);

}  // namespace makerserver
