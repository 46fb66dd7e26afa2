// Which code page a loaded page is written in, from (in this order) a byte
// order mark, the charset of the Content-Type header, a <meta charset> or
// <meta http-equiv="Content-Type"> near the top, and a look at the bytes:
// valid UTF-8 is taken as UTF-8, anything else as GBK (the code page of the
// target systems).
#pragma once

#include <string>
#include <string_view>

namespace lumo::html {

inline constexpr int kCodePageUtf8 = 65001;
inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageLatin1 = 1252;  // iso-8859-1 is read as windows-1252

// The "charset" parameter of a Content-Type value, lower case, unquoted; "".
std::string CharsetOfContentType(std::string_view contentType);
// The charset a page declares in a <meta> tag within its first 4 KiB; "".
std::string CharsetOfMeta(std::string_view page);
// The Windows code page of a charset label; 0 when it is not one we read.
int CodePageOfCharset(std::string_view label);
bool IsValidUtf8(std::string_view bytes);

int DetectCodePage(std::string_view contentType, std::string_view page);

// Windows-1252 to UTF-8 (the conversion every platform can do itself).
std::string Latin1ToUtf8(std::string_view bytes);

}  // namespace lumo::html
