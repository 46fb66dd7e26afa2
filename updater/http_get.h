// The portable rules of the download component: splitting its address,
// deciding whether a partial file may be resumed, judging whether a download
// is complete, and the percentage the updater shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

struct UrlParts {
    std::string host;
    int port = 80;
    std::string path = "/";
};

// "http://host[:port]/path": the scheme is optional, the path defaults to
// "/", a missing or non-numeric port gives 80.
UrlParts SplitUrl(std::string_view url);

// Reads in blocks of this size and reports progress at most this often.
inline constexpr std::size_t kDownloadBlock = 256 * 1024;
inline constexpr unsigned kProgressIntervalMs = 200;

// Where a download starts. A partial file is resumed only when its marker
// names the same non-empty Last-Modified the server sends now and the file
// holds part, not all, of the body; anything else starts over on an emptied
// file, so no byte of an older file survives behind a shorter new one.
struct ResumePlan {
    bool resume = false;
    std::uint64_t offset = 0;
};
ResumePlan PlanResume(std::string_view markerLine, std::optional<std::uint64_t> partialSize,
                      std::string_view lastModified, std::optional<std::uint64_t> totalSize);

// The first line of a resume marker's text, without its line end.
std::string MarkerLine(std::string_view markerText);

// A Content-Length header's value: decimal digits only, within 64 bits;
// nullopt when it is anything else (a length that does not fit is unknown,
// never wrapped round to a small one).
std::optional<std::uint64_t> ParseContentLength(std::string_view header);

// "bytes FIRST-LAST/TOTAL" of a 206 answer; nullopt when malformed.
struct ContentRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    std::uint64_t total = 0;
};
std::optional<ContentRange> ParseContentRange(std::string_view header);

// A download is good only when the server answered 200 with a known length
// and sent all of it, or 206 for exactly the requested rest of a file of that
// total size and sent all of that.
struct DownloadOutcome {
    int status = 0;
    std::optional<std::uint64_t> totalSize;  // the whole file's length
    std::uint64_t offset = 0;                // bytes kept from an earlier run
    std::uint64_t received = 0;              // bytes received in this run
    std::optional<ContentRange> range;       // of a 206 answer
};
bool DownloadComplete(const DownloadOutcome& o);

// "45.125%": readed / total as a percentage with three decimals, rounded
// half up; "0.000%" when total is 0.
std::string FormatPercent(std::int64_t readed, std::int64_t total);

}  // namespace lumo
