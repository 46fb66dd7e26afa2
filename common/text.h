// Text helpers. Inside the program every text is UTF-8 (std::string);
// UTF-16 appears only at Win32 calls (see text_win.h) and the ANSI code page
// only where a stored file or a wire format needs it.
#pragma once

#include <string>
#include <string_view>

namespace lumo {

// UTF-8 <-> UTF-16. Invalid input (bad UTF-8 bytes, lone surrogates) becomes
// U+FFFD; the rest of the text is kept.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Appends one code point; surrogates and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);

// UTF-8 <-> the system ANSI code page (936/GBK on the target systems). On
// Windows this is the system's code page; the native build uses iconv's GBK.
// A character the code page cannot hold becomes '?'; the rest is kept.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

// Leading and trailing blanks and control characters (bytes <= 0x20) removed.
std::string_view TrimView(std::string_view s);
std::string Trim(std::string_view s);

// ASCII-only case folding: bytes >= 0x80 (GBK lead/trail bytes, UTF-8) stay.
std::string AsciiLower(std::string_view s);
std::string AsciiUpper(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);

// `s` with &, <, > and " written as character references, for HTML or XML
// text and attribute values.
std::string EscapeMarkup(std::string_view s);

}  // namespace lumo
