#include "protocol/text_command.h"

#include <array>
#include <cstring>
#include <utility>

#include "common/text.h"

namespace lumo {

namespace {

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        size_t len;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > s.size())
            return false;
        for (size_t k = 1; k < len; ++k) {
            auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

}  // namespace

TextCommand ParseTextCommand(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, TextCommandKind>, 6> kPrefixes{{
        {"NT:", TextCommandKind::NewTab},
        {"NNT:", TextCommandKind::NewTabAlias},
        {"TC:", TextCommandKind::Title},
        {"URL:", TextCommandKind::Url},
        {"SBI:", TextCommandKind::SaveBill},
        {"FILL:", TextCommandKind::FillBill},
    }};
    for (const auto& [prefix, kind] : kPrefixes) {
        if (StartsWithNoCase(text, prefix))
            return {kind, std::string(text.substr(prefix.size()))};
    }
    return {};
}

std::string EncodeTextCommand(std::string_view utf8) {
    std::string bytes(utf8);
    bytes.push_back('\0');
    return bytes;
}

std::optional<std::string> DecodeTextCommand(uintptr_t tag, const void* data, size_t size) {
    if (size == 0)
        return std::string();
    if (!data || size > kMaxTextCommandBytes)
        return std::nullopt;
    const char* p = static_cast<const char*>(data);
    const void* nul = std::memchr(p, 0, size);
    std::string_view text(p, nul ? static_cast<size_t>(static_cast<const char*>(nul) - p) : size);
    if (tag == kUtf8Tag) {
        if (!IsValidUtf8(text))
            return std::nullopt;
        return std::string(text);
    }
    return AnsiToUtf8(text);
}

}  // namespace lumo
