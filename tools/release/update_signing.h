// Signing a new Lumo.exe for the updater (native, OpenSSL): the signature is
// ECDSA P-256 over the SHA-256 of the file's exact bytes, kept as the 64 raw
// bytes r||s that Windows' CNG checks, and travels base64-encoded as the
// version file's "signature" key.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumo::release {

// The 64 bytes r||s of a signature of `data` with the PEM private key
// `privateKeyPem` (an ECDSA P-256 key); nullopt with `error` set otherwise.
std::optional<std::string> SignUpdate(std::string_view privateKeyPem, std::string_view data,
                                      std::string& error);

// Whether `rs` is a signature of `data` by the PEM public or private key.
bool VerifyUpdate(std::string_view keyPem, std::string_view data, std::string_view rs);

// The "FileVersion" text of a program's version resource (its first one),
// "" when there is none.
std::string ProgramFileVersion(std::string_view programBytes);

struct VersionFileFields {
    std::string version;
    std::string imagePath;
    std::string sha256Hex;
    std::string signatureRs;  // 64 raw bytes
};
// The version file as the shell and the updater read it (CRLF lines).
std::string VersionFileText(const VersionFileFields& fields);

std::string Sha256HexOf(std::string_view data);

}  // namespace lumo::release
