// A small blocking HTTP GET over WinInet with a time limit, for the start-up
// requests (start page, version file, presence report). No request may hang
// start-up when the server is unreachable or slow.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

inline constexpr std::chrono::milliseconds kDefaultHttpTimeout{4000};

struct HttpResponse {
    int status = 0;            // HTTP status code
    std::string body;          // raw bytes
    std::string lastModified;  // "Last-Modified" header, empty when absent
};

// GET `url` (http://host[:port]/path). nullopt when the request cannot be made
// or does not finish within `timeout`; any status is returned as it is.
// Windows only (http_win.cpp).
std::optional<HttpResponse> HttpGet(std::string_view url,
                                    std::chrono::milliseconds timeout = kDefaultHttpTimeout);

}  // namespace lumo
