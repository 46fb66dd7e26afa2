// What a downloaded Lumo.exe must be before it may replace the running one:
// a 32-bit Windows program, signed by the maker's key (the signature comes
// with the version file), with a version resource not older than the
// installed program's, and with the version file's SHA-256 when it names one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumo {

// Why `downloaded` may not replace `installed`; "" when it may. The text is
// shown to the player as it is. `versionFileUrl` is fetched for the signature.
std::string UpdateRejection(const std::string& downloaded, const std::string& installed,
                            const std::string& versionFileUrl);

// A program's fixed file version (major.minor in the high half), nullopt
// without a version resource.
std::optional<std::uint64_t> FixedFileVersion(const std::string& path);

}  // namespace lumo
