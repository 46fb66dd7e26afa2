#include "online/presence.h"

#include <algorithm>
#include <cmath>

#include "common/md5.h"
#include "common/text.h"

namespace lumo {

namespace {

std::string EscapeQueryValue(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~' || c == ':') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// Whether Config.ini gives the value back unchanged: no line breaks or other
// control bytes, and not inside a pair of quotes (the reader removes them).
bool ReadsBackAsWritten(std::string_view value) {
    for (char c : value) {
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    }
    return !(value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
             value.back() == value[0]);
}

}  // namespace

std::string PublicAddressFrom(std::string_view lookupText) {
    size_t open = lookupText.find('[');
    size_t start = open == std::string_view::npos ? 0 : open + 1;
    size_t close = lookupText.find(']');
    if (close == std::string_view::npos || close < start)
        return {};
    return std::string(lookupText.substr(start, close - start));
}

int PresenceRandom(int secondsOfDay, int jitter) {
    double x = static_cast<double>(secondsOfDay) + static_cast<double>(jitter);
    int r = static_cast<int>(std::fabs(std::sin(x)) * 100.0) + 1;
    return std::clamp(r, 1, 100);
}

std::string PresenceDigest(std::string_view address, int random) {
    return Md5Hex(std::string(address) + std::to_string(random));
}

std::string PresenceReportUrl(std::string_view host, std::string_view address, int op, int random,
                              std::string_view clientId) {
    return "http://" + std::string(host) + "/user/online.php?ip=" + EscapeQueryValue(address) +
           "&op=" + std::to_string(op) + "&rand=" + std::to_string(random) +
           "&key=" + EscapeQueryValue(clientId) + "&md5=" + PresenceDigest(address, random);
}

Registration RegistrationFrom(std::string_view clientId, int op, std::string_view answer) {
    Registration r{std::string(clientId), false};
    std::string_view reply = TrimView(answer);
    size_t colon = reply.find(':');
    if (clientId != kNoClientId || op != kPresenceStart || colon == std::string_view::npos)
        return r;
    // Blanks before the ':' are no part of the identifier: Config.ini would
    // drop them, and the next start must send the key this one sends.
    r.clientId = Trim(reply.substr(0, colon));
    r.store = !r.clientId.empty() && ReadsBackAsWritten(r.clientId);
    return r;
}

}  // namespace lumo
