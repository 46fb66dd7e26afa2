// The signature a release puts into the version file for the new Lumo.exe:
// key "signature" of [version], the base64 of the 64 raw bytes r||s (each a
// 32-byte big-endian number) of an ECDSA P-256 signature over the SHA-256
// of the new Lumo.exe's exact bytes.
#pragma once

#include <string>
#include <string_view>

namespace lumo {

inline constexpr size_t kUpdateSignatureBytes = 64;

struct UpdateSignatureField {
    enum class State { Missing, Malformed, Present } state = State::Missing;
    std::string rs;  // the 64 raw bytes when Present
};

// Reads the key from the version file's text; blanks around the value are
// ignored, anything else that is not canonical base64 of 64 bytes is
// Malformed (also an empty value).
UpdateSignatureField ReadUpdateSignature(std::string_view versionFile);

}  // namespace lumo
