// The ANSI conversions of the native build: iconv with GBK, the code page of
// the target systems. Characters that do not convert are replaced one by one
// and the conversion goes on with the rest of the text.
#include "common/text.h"

#include <iconv.h>

#include <cerrno>

namespace lumo {

namespace {

constexpr const char* kAnsiCharset = "GBK";

// Length of the UTF-8 character (or malformed run) starting at text[0]: the
// lead byte and the continuation bytes it announces that are present.
size_t Utf8RunLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t need = lead >= 0xF0 && lead <= 0xF4   ? 3
                  : lead >= 0xE0 && lead <= 0xEF ? 2
                  : lead >= 0xC2 && lead <= 0xDF ? 1
                                                 : 0;
    size_t n = 1;
    while (need > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) {
        ++n;
        --need;
    }
    return n;
}

// Converts `in` from `from` to `to`. At an input sequence that cannot be
// converted, `skip` tells how many bytes to drop and `replacement` is emitted
// instead. Without a usable converter every non-ASCII byte is replaced.
template <typename Skip>
std::string Convert(std::string_view in, const char* from, const char* to,
                    std::string_view replacement, Skip skip) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        size_t pos = 0;
        while (pos < in.size()) {
            if (static_cast<unsigned char>(in[pos]) < 0x80) {
                out += in[pos++];
            } else {
                out += replacement;
                pos += skip(in.substr(pos));
            }
        }
        return out;
    }

    out.reserve(in.size() * 2);
    std::string buffer(in.size() * 2 + 16, '\0');
    size_t pos = 0;
    while (pos < in.size()) {
        char* src = const_cast<char*>(in.data() + pos);
        size_t srcLeft = in.size() - pos;
        char* dst = buffer.data();
        size_t dstLeft = buffer.size();
        const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int err = errno;
        out.append(buffer.data(), buffer.size() - dstLeft);
        pos = in.size() - srcLeft;
        if (rc != static_cast<size_t>(-1))
            break;
        if (err == E2BIG)
            continue;  // output buffer full; go on
        // EILSEQ (not convertible or malformed) or EINVAL (cut short at the end).
        if (pos < in.size()) {
            out += replacement;
            pos += skip(in.substr(pos));
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    }
    // Flush any pending shift state (none for GBK, but cheap to do right).
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1)) {
        out.append(buffer.data(), buffer.size() - dstLeft);
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
    return Convert(utf8, "UTF-8", kAnsiCharset, "?", Utf8RunLength);
}

std::string AnsiToUtf8(std::string_view ansi) {
    return Convert(ansi, kAnsiCharset, "UTF-8", "\xEF\xBF\xBD",
                   [](std::string_view) -> size_t { return 1; });
}

}  // namespace lumo
