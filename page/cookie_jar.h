// The headless engine's cookies, kept in the page process's memory only: what
// a server sets (session and persistent cookies alike) lives as long as the
// process, never reaches a shared cookie store, and no other page sees it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::html {

// Seconds since 1970-01-01 UTC of an HTTP cookie date ("Wed, 09 Dec 2026
// 10:00:00 GMT" and the older forms, read as RFC 6265 5.1.1 says); nullopt
// when it is no date.
std::optional<int64_t> ParseCookieDate(std::string_view text);

class CookieJar {
  public:
    // Takes one Set-Cookie header value of an answer from `url` (an
    // absolute http or https address). A cookie whose expiry has passed
    // removes the stored one of that name, domain and path.
    void Store(std::string_view url, std::string_view setCookie, int64_t now);
    // The Cookie header value for a request to `url`: "" when none applies.
    std::string HeaderFor(std::string_view url, int64_t now) const;
    size_t size() const { return cookies_.size(); }

    static constexpr size_t kMaxCookies = 1000;  // the oldest go first
    static constexpr size_t kMaxCookieBytes = 8192;

  private:
    struct Cookie {
        std::string name, value, domain, path;
        bool hostOnly = true;
        bool secure = false;
        std::optional<int64_t> expires;  // none: until the process ends
        uint64_t created = 0;
    };
    std::vector<Cookie> cookies_;
    uint64_t counter_ = 0;
};

}  // namespace lumo::html
