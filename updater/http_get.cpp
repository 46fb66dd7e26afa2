#include "updater/http_get.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "common/text.h"

namespace lumo {

namespace {

std::optional<std::uint64_t> ParseU64(std::string_view s) {
    std::uint64_t v = 0;
    if (s.empty())
        return std::nullopt;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

}  // namespace

UrlParts SplitUrl(std::string_view url) {
    UrlParts parts;
    std::string_view rest = TrimView(url);
    if (StartsWithNoCase(rest, "http://"))
        rest.remove_prefix(7);
    const size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos)
        parts.path = std::string(rest.substr(slash));
    // A login ("user:pass@host") is not part of the host.
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (const size_t colon = authority.find(':'); colon != std::string_view::npos) {
        const auto port = ParseU64(authority.substr(colon + 1));
        if (port && *port > 0 && *port < 65536)
            parts.port = static_cast<int>(*port);
        authority = authority.substr(0, colon);
    }
    parts.host = std::string(authority);
    return parts;
}

ResumePlan PlanResume(std::string_view markerLine, std::optional<std::uint64_t> partialSize,
                      std::string_view lastModified, std::optional<std::uint64_t> totalSize) {
    ResumePlan plan;
    const std::string_view marker = TrimView(markerLine);
    if (marker.empty() || marker != TrimView(lastModified) || !partialSize || !totalSize)
        return plan;
    if (*partialSize == 0 || *partialSize >= *totalSize)
        return plan;
    plan.resume = true;
    plan.offset = *partialSize;
    return plan;
}

std::string MarkerLine(std::string_view markerText) {
    const size_t end = markerText.find_first_of("\r\n");
    return std::string(markerText.substr(0, end));
}

std::optional<std::uint64_t> ParseContentLength(std::string_view header) {
    const std::string_view h = TrimView(header);
    if (h.empty() || !std::all_of(h.begin(), h.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return ParseU64(h);
}

std::optional<ContentRange> ParseContentRange(std::string_view header) {
    std::string_view h = TrimView(header);
    if (!StartsWithNoCase(h, "bytes "))
        return std::nullopt;
    h.remove_prefix(6);
    const size_t dash = h.find('-');
    const size_t slash = h.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash)
        return std::nullopt;
    auto first = ParseU64(TrimView(h.substr(0, dash)));
    auto last = ParseU64(TrimView(h.substr(dash + 1, slash - dash - 1)));
    auto total = ParseU64(TrimView(h.substr(slash + 1)));
    if (!first || !last || !total || *first > *last || *last >= *total)
        return std::nullopt;
    return ContentRange{*first, *last, *total};
}

bool DownloadComplete(const DownloadOutcome& o) {
    if (!o.totalSize)
        return false;
    if (o.status == 200)
        return o.offset == 0 && o.received == *o.totalSize;
    if (o.status == 206) {
        return o.range && o.range->first == o.offset && o.range->total == *o.totalSize &&
               o.range->last + 1 == *o.totalSize && o.offset + o.received == *o.totalSize;
    }
    return false;
}

std::string FormatPercent(std::int64_t readed, std::int64_t total) {
    std::int64_t thousandths = 0;  // of a percent
    if (total > 0 && readed > 0) {
        // More than the whole (a server that sends past its length) is shown
        // as the whole. Lengths past 8 TB (only a broken or hostile server
        // announces one) are scaled down, losing only digits not shown.
        readed = std::min(readed, total);
        while (total > (std::int64_t{1} << 43)) {
            total >>= 1;
            readed >>= 1;
        }
        // readed * 100000 / total, rounded half up; split so that no product
        // overflows.
        const std::int64_t whole = readed / total;
        const std::int64_t rest = readed % total;
        thousandths = whole * 100000 + (rest * 200000 + total) / (total * 2);
    }
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld.%03lld%%", static_cast<long long>(thousandths / 1000),
                  static_cast<long long>(thousandths % 1000));
    return buf;
}

}  // namespace lumo
