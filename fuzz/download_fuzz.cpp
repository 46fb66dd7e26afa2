// The updater's download rules and what it reads from outside: the address
// and headers of the server's answer (Content-Range, Last-Modified, the
// length), the resume marker left on disk, the downloaded file's header, the
// version file's digest and the updater's own arguments. Input: a header or
// file text; numbers (sizes, offsets, status) are taken from its last bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cinttypes>
#include <cstdio>

#include "common/cmdline.h"
#include "common/text.h"
#include "fuzz/fuzz_check.h"
#include "updater/http_get.h"
#include "updater/update_rules.h"

using namespace lumo;

namespace {

void CheckPercent(std::int64_t readed, std::int64_t total) {
    const std::string p = FormatPercent(readed, total);
    // Digits, a point, three digits, '%'.
    const size_t point = p.find('.');
    FUZZ_CHECK(point != std::string::npos && point > 0 && p.size() == point + 5 && p.back() == '%');
    FUZZ_CHECK(p.find_first_not_of("0123456789") == point);
    if (total <= 0 || readed <= 0)
        FUZZ_CHECK(p == "0.000%");
    else if (readed == total)
        FUZZ_CHECK(p == "100.000%");
    else if (readed < total)
        FUZZ_CHECK(p.size() <= 7 || p == "100.000%");  // 100 % only by rounding
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int status = in.PickValueInArray({200, 206, 206, 404, 0});
    const std::uint64_t partial = in.ConsumeIntegral<std::uint64_t>();
    const std::uint64_t total = in.ConsumeIntegralInRange<std::uint64_t>(0, partial * 2 + 2);
    const std::uint64_t received = in.ConsumeIntegral<std::uint64_t>();
    const std::int64_t readed = in.ConsumeIntegral<std::int64_t>();
    const std::int64_t size64 = in.ConsumeIntegral<std::int64_t>();
    const std::string text = in.ConsumeRemainingBytesAsString();

    const UrlParts url = SplitUrl(text);
    FUZZ_CHECK(url.port > 0 && url.port < 65536);
    FUZZ_CHECK(!url.path.empty() && url.path[0] == '/');
    FUZZ_CHECK(url.host.find_first_of("/@") == std::string::npos);

    // The resume marker and the server's Last-Modified: a partial file is
    // resumed only for part, not all, of the same file.
    const std::string marker = MarkerLine(text);
    FUZZ_CHECK(marker.find_first_of("\r\n") == std::string::npos);
    for (std::string_view lastModified : {std::string_view(marker), std::string_view(text)}) {
        const ResumePlan plan = PlanResume(marker, partial, lastModified, total);
        if (plan.resume) {
            FUZZ_CHECK(plan.offset == partial && partial > 0 && partial < total);
            FUZZ_CHECK(!TrimView(marker).empty());
        } else {
            FUZZ_CHECK(plan.offset == 0);
        }
    }

    // A length is the text's digits exactly, or unknown.
    if (const std::optional<std::uint64_t> length = ParseContentLength(text)) {
        char again[32];
        std::snprintf(again, sizeof again, "%" PRIu64, *length);
        std::string_view digits = TrimView(text);
        while (digits.size() > 1 && digits[0] == '0') digits.remove_prefix(1);
        FUZZ_CHECK(digits == again);
    }

    // A 206 answer's range, and when a download counts as complete.
    const std::optional<ContentRange> range = ParseContentRange(text);
    if (range) {
        FUZZ_CHECK(range->first <= range->last && range->last < range->total);
        char again[96];
        std::snprintf(again, sizeof again, "bytes %" PRIu64 "-%" PRIu64 "/%" PRIu64, range->first,
                      range->last, range->total);
        const std::optional<ContentRange> reread = ParseContentRange(again);
        FUZZ_CHECK(reread && reread->first == range->first && reread->last == range->last &&
                   reread->total == range->total);
    }
    DownloadOutcome o;
    o.status = status;
    o.totalSize = total;
    o.offset = status == 206 ? partial : 0;
    o.received = received;
    o.range = range;
    if (DownloadComplete(o)) {
        FUZZ_CHECK(status == 200 || status == 206);
        FUZZ_CHECK(o.offset + o.received == total);
        FUZZ_CHECK(status == 200 || (range && range->first == o.offset));
    }

    // The percentage for any size the server may announce.
    CheckPercent(readed, size64);
    CheckPercent(readed, readed);
    CheckPercent(size64 / 3, size64);

    // The downloaded file and the version file.
    const ExeCheck exe = CheckWindowsExe(text);
    if (exe == ExeCheck::Ok)
        FUZZ_CHECK(text.size() >= 0x40 && text.starts_with("MZ"));
    if (std::optional<std::string> sha = ExpectedSha256(text))
        FUZZ_CHECK(AsciiLower(*sha) == *sha && Trim(*sha) == *sha);
    (void)IsNotFoundPage(text);

    // The updater's own command line.
    const std::vector<std::string> argv = SplitCommandLine(text);
    const UpdaterArgs args = ReadUpdaterArgs(
        std::vector<std::string>(argv.begin() + (argv.empty() ? 0 : 1), argv.end()));
    FUZZ_CHECK(args.shellExe.ends_with(args.shellExeName));
    const std::string folder = ProgramFolderOfUpdater(text);
    FUZZ_CHECK(TempFolderOf(text).ends_with("TmpPath\\"));
    (void)folder;
    return 0;
}
