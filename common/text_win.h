// The one pair of helpers through which UTF-8 texts meet the W functions.
#pragma once

#include <string>
#include <string_view>

namespace lumo {

std::wstring ToW(std::string_view utf8);
std::string FromW(std::wstring_view wide);
std::string FromW(const wchar_t* wide);  // null gives ""

}  // namespace lumo
