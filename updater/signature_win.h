// Checks an update's ECDSA P-256 / SHA-256 signature through the system's
// own cryptography (CNG).
#pragma once

#include <string_view>

namespace lumo {

enum class SignatureCheck {
    Valid,
    Invalid,      // not made by the key's owner for exactly these bytes
    Unavailable,  // the system could not check it (no ECDSA, a bad key)
};

// `rs`: the 64 raw bytes r||s; `publicKeyXY`: the key's 64 raw bytes X||Y.
SignatureCheck VerifyEcdsaP256(std::string_view data, std::string_view rs,
                               std::string_view publicKeyXY);

// The same with the key this program was built with.
SignatureCheck VerifyUpdateSignature(std::string_view data, std::string_view rs);

}  // namespace lumo
