#include "common/text_win.h"

#include <windows.h>

#include "common/text.h"

namespace lumo {

namespace {

std::wstring MultiToWide(UINT codePage, std::string_view s) {
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string WideToMulti(UINT codePage, std::wstring_view w) {
    if (w.empty())
        return {};
    // For the ANSI code page a character without a mapping becomes the
    // system's default character ('?'); the rest of the text is converted.
    int n = WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n <= 0)
        return {};
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

}  // namespace

std::wstring ToW(std::string_view utf8) {
    return MultiToWide(CP_UTF8, utf8);
}

std::string FromW(std::wstring_view wide) {
    return WideToMulti(CP_UTF8, wide);
}

std::string FromW(const wchar_t* wide) {
    return wide ? FromW(std::wstring_view(wide)) : std::string();
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return WideToMulti(CP_ACP, ToW(utf8));
}

std::string AnsiToUtf8(std::string_view ansi) {
    return FromW(MultiToWide(CP_ACP, ansi));
}

}  // namespace lumo
