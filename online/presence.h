// The rules of the presence report: the shell tells the maker's server when
// it starts (operation 1) and ends (operation 2), with its public address, a
// random number, its client identifier and a digest of address and number.
// The first start report of a new installation is answered with the
// identifier the server assigns.
#pragma once

#include <string>
#include <string_view>

namespace lumo {

inline constexpr int kPresenceStart = 1;
inline constexpr int kPresenceEnd = 2;
// The identifier of a client the server has not registered yet.
inline constexpr std::string_view kNoClientId = "0";

// The public address in the IP lookup page's text: what follows the first
// '[' up to the first ']' (from the start when there is no '['); empty
// without a ']' or when the ']' comes first.
std::string PublicAddressFrom(std::string_view lookupText);

// The report's random number, 1..100: |sin(x)| * 100 + 1 (integer part),
// x = the seconds of the day plus `jitter` (0..9999), in radians.
int PresenceRandom(int secondsOfDay, int jitter);

// MD5 of the address followed by the random number, lower-case hex.
std::string PresenceDigest(std::string_view address, int random);

// http://host/user/online.php?ip=..&op=..&rand=..&key=..&md5=.. Address
// and identifier are sent as they are, except that bytes which would break
// the query (anything but letters, digits and "-._~:") are percent-escaped.
std::string PresenceReportUrl(std::string_view host, std::string_view address, int op, int random,
                              std::string_view clientId);

// What the answer to a report does to the client identifier.
struct Registration {
    std::string clientId;  // the identifier held from now on
    bool store = false;    // write it to Config.ini
};

// Only a start report of an unregistered client ("0") registers: an answer
// (trimmed) holding ':' gives the identifier before the first ':' (trimmed),
// stored when it is not blank and Config.ini can give it back as it is (no
// control bytes, not quoted; otherwise it is held for this run only). Any
// other answer leaves the identifier as it is.
Registration RegistrationFrom(std::string_view clientId, int op, std::string_view answer);

}  // namespace lumo
