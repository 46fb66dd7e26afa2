// The maker server's answers: the version file, the IP lookup page and the
// answer to a presence report (which may register a client identifier that
// is kept in Config.ini). Input: the server's answer body.
#include "common/ini.h"
#include "common/md5.h"
#include "common/text.h"
#include "fuzz/fuzz_check.h"
#include "online/presence.h"
#include "online/version_check.h"
#include "page/html_charset.h"
#include "page/html_url.h"

using namespace lumo;

namespace {

bool IsLowerHex(std::string_view s) {
    return s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The report's query: the five fields in order, no value breaking out.
void CheckReport(const std::string& url, std::string_view address, std::string_view id) {
    const std::optional<html::HttpTarget> target = html::HttpTargetOf(url);
    FUZZ_CHECK(target.has_value() && target->host == "maker.example");
    const size_t q = url.find('?');
    FUZZ_CHECK(q != std::string::npos && url.find('#') == std::string::npos);
    const std::vector<std::string> fields = fuzz::Split(std::string_view(url).substr(q + 1), '&');
    FUZZ_CHECK(fields.size() == 5);
    const char* names[] = {"ip=", "op=", "rand=", "key=", "md5="};
    for (size_t i = 0; i < 5; ++i) FUZZ_CHECK(fields[i].starts_with(names[i]));
    FUZZ_CHECK(fields[0].size() >= 3 + address.size() && fields[3].size() >= 4 + id.size());
    FUZZ_CHECK(fields[4].size() == 36 && IsLowerHex(std::string_view(fields[4]).substr(4)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body = fuzz::AsText(data, size);

    // The version file: a version that is ours is never new; the
    // announcement page is text the prompt shows.
    const ServerVersionInfo info = ParseVersionFile(body);
    FUZZ_CHECK(!IsNewVersion(info.version, info.version));
    FUZZ_CHECK(IsNewVersion("1.1.0.0", info.version) ==
               (!TrimView(info.version).empty() && TrimView(info.version) != "1.1.0.0"));
    FUZZ_CHECK(html::IsValidUtf8(info.announcementPage));
    FUZZ_CHECK(info.version == IniDoc::Parse(body).Get("VERSION", "Version"));

    // The IP lookup page.
    const std::string address = PublicAddressFrom(body);
    FUZZ_CHECK(address.find(']') == std::string::npos);
    FUZZ_CHECK(address.empty() || body.find(address) != std::string_view::npos);

    // The presence answer. Only an unregistered client's start report
    // registers; an identifier that is stored reads back from Config.ini as
    // the identifier the client goes on using.
    const std::string_view jitterBytes = body.substr(0, 4);
    unsigned jitter = 0;
    for (char c : jitterBytes) jitter = jitter * 256 + static_cast<unsigned char>(c);
    const int random =
        PresenceRandom(static_cast<int>(size % 86400), static_cast<int>(jitter % 10000));
    FUZZ_CHECK(random >= 1 && random <= 100);
    for (int op : {kPresenceStart, kPresenceEnd}) {
        const Registration kept = RegistrationFrom("4711", op, body);
        FUZZ_CHECK(kept.clientId == "4711" && !kept.store);
        const Registration reg = RegistrationFrom(kNoClientId, op, body);
        if (op == kPresenceEnd)
            FUZZ_CHECK(reg.clientId == kNoClientId && !reg.store);
        if (reg.store) {
            IniDoc config = IniDoc::Parse("[Client]\r\nClientId=0\r\n");
            config.Set("Client", "ClientId", reg.clientId);
            const std::string stored = IniDoc::Parse(config.Serialize()).Get("Client", "ClientId");
            FUZZ_CHECK(stored == reg.clientId);
        }
        CheckReport(PresenceReportUrl("maker.example", address, op, random, reg.clientId), address,
                    reg.clientId);
    }
    FUZZ_CHECK(PresenceDigest(body, random) == Md5Hex(std::string(body) + std::to_string(random)));
    return 0;
}
