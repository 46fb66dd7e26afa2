#include "tools/makerserver/text_util.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <vector>

namespace makerserver {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

bool ParseNumber(std::string_view s, uint64_t& out) {
    if (s.empty())
        return false;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string PercentEncode(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 &&
            hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::map<std::string, std::string> ParseCookieHeader(std::string_view header) {
    std::map<std::string, std::string> cookies;
    while (!header.empty()) {
        size_t semi = header.find(';');
        std::string_view pair = Trim(header.substr(0, semi));
        header = semi == std::string_view::npos ? std::string_view() : header.substr(semi + 1);
        size_t eq = pair.find('=');
        if (eq == std::string_view::npos || eq == 0)
            continue;
        cookies.emplace(std::string(Trim(pair.substr(0, eq))),
                        std::string(Trim(pair.substr(eq + 1))));
    }
    return cookies;
}

std::string HttpDate(std::time_t when) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    gmtime_r(&when, &tm);
    char buf[64];
    snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[tm.tm_wday], tm.tm_mday,
             kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

RangeCheck ResolveByteRange(std::string_view header, uint64_t size, ByteRange& out) {
    std::string_view text = Trim(header);
    constexpr std::string_view kUnit = "bytes=";
    if (text.size() < kUnit.size())
        return RangeCheck::kIgnore;
    for (size_t i = 0; i < kUnit.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kUnit[i])
            return RangeCheck::kIgnore;
    }
    text = Trim(text.substr(kUnit.size()));
    if (text.find(',') != std::string_view::npos)
        return RangeCheck::kIgnore;
    size_t dash = text.find('-');
    if (dash == std::string_view::npos)
        return RangeCheck::kIgnore;
    std::string_view firstText = Trim(text.substr(0, dash));
    std::string_view lastText = Trim(text.substr(dash + 1));

    if (firstText.empty()) {
        uint64_t suffix = 0;
        if (!ParseNumber(lastText, suffix))
            return RangeCheck::kIgnore;
        if (suffix == 0 || size == 0)
            return RangeCheck::kUnsatisfiable;
        out.first = suffix >= size ? 0 : size - suffix;
        out.last = size - 1;
        return RangeCheck::kSatisfiable;
    }
    uint64_t first = 0;
    if (!ParseNumber(firstText, first))
        return RangeCheck::kIgnore;
    uint64_t last = UINT64_MAX;
    if (!lastText.empty()) {
        if (!ParseNumber(lastText, last))
            return RangeCheck::kIgnore;
        if (last < first)
            return RangeCheck::kIgnore;
    }
    if (first >= size)
        return RangeCheck::kUnsatisfiable;
    out.first = first;
    out.last = last >= size ? size - 1 : last;
    return RangeCheck::kSatisfiable;
}

}  // namespace makerserver
