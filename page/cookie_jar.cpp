#include "page/cookie_jar.h"

#include <algorithm>
#include <cctype>

#include "common/text.h"

#include "page/html_url.h"

namespace lumo::html {
namespace {

bool IsDateDelimiter(unsigned char c) {
    return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) ||
           (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
}

// Leading digits of `token` when there are `min`..`max` of them and no digit
// follows; -1 otherwise.
int LeadingNumber(std::string_view token, size_t min, size_t max) {
    size_t n = 0;
    while (n < token.size() && std::isdigit(static_cast<unsigned char>(token[n]))) ++n;
    if (n < min || n > max)
        return -1;
    return std::stoi(std::string(token.substr(0, n)));
}

bool ParseTime(std::string_view token, int& h, int& m, int& s) {
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        size_t n = 0;
        while (n < token.size() && std::isdigit(static_cast<unsigned char>(token[n]))) ++n;
        if (n < 1 || n > 2)
            return false;
        parts[i] = std::stoi(std::string(token.substr(0, n)));
        token.remove_prefix(n);
        if (i < 2) {
            if (token.empty() || token.front() != ':')
                return false;
            token.remove_prefix(1);
        } else if (!token.empty() && std::isdigit(static_cast<unsigned char>(token.front()))) {
            return false;
        }
    }
    h = parts[0], m = parts[1], s = parts[2];
    return true;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The path a cookie without its own gets: the request path up to its last
// slash.
std::string DefaultPath(std::string_view pathAndQuery) {
    std::string_view path = pathAndQuery.substr(0, pathAndQuery.find('?'));
    if (path.empty() || path.front() != '/')
        return "/";
    size_t last = path.rfind('/');
    return last == 0 ? "/" : std::string(path.substr(0, last));
}

bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
    if (!requestPath.starts_with(cookiePath))
        return false;
    return requestPath.size() == cookiePath.size() || cookiePath.ends_with('/') ||
           requestPath[cookiePath.size()] == '/';
}

bool IsIpLiteral(std::string_view host) {
    return host.find(':') != std::string_view::npos ||
           std::all_of(host.begin(), host.end(), [](char c) {
               return c == '.' || std::isdigit(static_cast<unsigned char>(c));
           });
}

bool DomainMatches(std::string_view host, std::string_view domain) {
    if (host == domain)
        return true;
    return !IsIpLiteral(host) && host.size() > domain.size() && host.ends_with(domain) &&
           host[host.size() - domain.size() - 1] == '.';
}

}  // namespace

std::optional<int64_t> ParseCookieDate(std::string_view text) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    bool haveTime = false, haveDay = false, haveMonth = false, haveYear = false;
    int hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsDateDelimiter(static_cast<unsigned char>(text[i]))) ++i;
        size_t start = i;
        while (i < text.size() && !IsDateDelimiter(static_cast<unsigned char>(text[i]))) ++i;
        std::string_view token = text.substr(start, i - start);
        if (token.empty())
            continue;
        int n;
        if (!haveTime && ParseTime(token, hour, minute, second)) {
            haveTime = true;
        } else if (!haveDay && (n = LeadingNumber(token, 1, 2)) >= 0) {
            haveDay = true, day = n;
        } else if (!haveMonth && token.size() >= 3 &&
                   std::find(std::begin(kMonths), std::end(kMonths),
                             AsciiLower(token.substr(0, 3))) != std::end(kMonths)) {
            haveMonth = true;
            month = static_cast<int>(std::find(std::begin(kMonths), std::end(kMonths),
                                               AsciiLower(token.substr(0, 3))) -
                                     std::begin(kMonths)) +
                    1;
        } else if (!haveYear && (n = LeadingNumber(token, 2, 4)) >= 0) {
            haveYear = true, year = n;
        }
    }
    if (year >= 70 && year <= 99)
        year += 1900;
    else if (year >= 0 && year <= 69)
        year += 2000;
    if (!haveTime || !haveDay || !haveMonth || !haveYear || day < 1 || day > 31 || year < 1601 ||
        hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

void CookieJar::Store(std::string_view url, std::string_view setCookie, int64_t now) {
    std::optional<HttpTarget> target = HttpTargetOf(url);
    if (!target || setCookie.size() > kMaxCookieBytes)
        return;
    const std::string host = AsciiLower(target->host);
    std::string_view pair = setCookie.substr(0, setCookie.find(';'));
    size_t eq = pair.find('=');
    if (eq == std::string_view::npos)
        return;
    Cookie c;
    c.name = std::string(TrimView(pair.substr(0, eq)));
    c.value = std::string(TrimView(pair.substr(eq + 1)));
    if (c.name.empty())
        return;
    c.domain = host;
    c.path = DefaultPath(target->pathAndQuery);
    std::optional<int64_t> maxAge, expires;
    for (size_t at = setCookie.find(';'); at != std::string_view::npos;) {
        size_t next = setCookie.find(';', at + 1);
        std::string_view attr = setCookie.substr(
            at + 1, next == std::string_view::npos ? std::string_view::npos : next - at - 1);
        at = next;
        size_t aeq = attr.find('=');
        std::string key = AsciiLower(TrimView(attr.substr(0, aeq)));
        std::string_view val =
            aeq == std::string_view::npos ? std::string_view() : TrimView(attr.substr(aeq + 1));
        if (key == "expires") {
            if (auto t = ParseCookieDate(val))
                expires = t;
        } else if (key == "max-age") {
            bool negative = !val.empty() && val.front() == '-';
            std::string_view digits = negative ? val.substr(1) : val;
            if (!digits.empty() && digits.size() <= 12 &&
                std::all_of(digits.begin(), digits.end(),
                            [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); })) {
                int64_t delta = std::stoll(std::string(digits));
                maxAge = negative || delta == 0 ? now - 1 : now + delta;
            }
        } else if (key == "domain") {
            std::string domain = AsciiLower(val);
            while (!domain.empty() && domain.front() == '.') domain.erase(0, 1);
            if (domain.empty())
                continue;
            if (!DomainMatches(host, domain))
                return;  // a cookie for someone else's domain
            c.domain = domain;
            c.hostOnly = false;
        } else if (key == "path") {
            if (!val.empty() && val.front() == '/')
                c.path = std::string(val);
        } else if (key == "secure") {
            c.secure = true;
        }
    }
    c.expires = maxAge ? maxAge : expires;
    auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& o) {
        return o.name == c.name && o.domain == c.domain && o.path == c.path;
    });
    if (same != cookies_.end())
        cookies_.erase(same);
    if (c.expires && *c.expires <= now)
        return;
    if (cookies_.size() >= kMaxCookies)
        cookies_.erase(cookies_.begin());  // the oldest
    c.created = counter_++;
    cookies_.push_back(std::move(c));
}

std::string CookieJar::HeaderFor(std::string_view url, int64_t now) const {
    std::optional<HttpTarget> target = HttpTargetOf(url);
    if (!target)
        return "";
    const std::string host = AsciiLower(target->host);
    std::string_view path = target->pathAndQuery;
    path = path.substr(0, path.find('?'));
    std::vector<const Cookie*> sent;
    for (const Cookie& c : cookies_) {
        if (c.expires && *c.expires <= now)
            continue;
        if (c.hostOnly ? host != c.domain : !DomainMatches(host, c.domain))
            continue;
        if (!PathMatches(path, c.path) || (c.secure && !target->secure))
            continue;
        sent.push_back(&c);
    }
    // Longer paths first, then the older cookie.
    std::stable_sort(sent.begin(), sent.end(), [](const Cookie* a, const Cookie* b) {
        return a->path.size() > b->path.size();
    });
    std::string header;
    for (const Cookie* c : sent) {
        if (!header.empty())
            header += "; ";
        header += c->name + "=" + c->value;
    }
    return header;
}

}  // namespace lumo::html
