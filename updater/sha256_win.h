// SHA-256 of a file through the system's cryptographic provider.
#pragma once

#include <optional>
#include <string>

namespace lumo {

// Lower-case hex digest; nullopt when the file cannot be read or the
// provider is missing.
std::optional<std::string> FileSha256(const std::string& path);

}  // namespace lumo
