// Base64 (the standard alphabet, with '=' padding) for binary data that has
// to travel inside a text line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

std::string Base64Encode(std::string_view bytes);
// nullopt for anything but canonical padded base64 (no blanks, no line breaks).
std::optional<std::string> Base64Decode(std::string_view text);

}  // namespace lumo
