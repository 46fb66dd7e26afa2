// The text commands a window receives in WM_COPYDATA (from any process that
// finds it): the payload decoder, the command prefixes and the shortcut
// names. Input: one byte choosing the tag (odd: our UTF-8 tag, even: classic
// ANSI), then the payload as it would stand in lpData.
#include <cstring>

#include "common/text.h"
#include "fuzz/fuzz_check.h"
#include "page/html_charset.h"
#include "protocol/shortcuts.h"
#include "protocol/text_command.h"

using namespace lumo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool utf8Tag = data[0] & 1;
    const std::string_view payload = fuzz::AsText(data + 1, size - 1);
    // What the receiver reads: the bytes up to the first zero.
    const std::string_view text = payload.substr(0, payload.find('\0'));

    // A null pointer with a size is refused, never read.
    FUZZ_CHECK(!DecodeTextCommand(kUtf8Tag, nullptr, payload.size() + 1));

    const std::optional<std::string> decoded =
        DecodeTextCommand(utf8Tag ? kUtf8Tag : 0, payload.data(), payload.size());
    if (utf8Tag) {
        // Taken exactly when it is valid UTF-8, and then unchanged; the
        // decoders of the program agree on what valid UTF-8 is.
        const bool valid = html::IsValidUtf8(text);
        FUZZ_CHECK(decoded.has_value() == valid);
        FUZZ_CHECK(valid == (Utf16ToUtf8(Utf8ToUtf16(text)) == text));
        if (decoded)
            FUZZ_CHECK(*decoded == text);
    } else {
        // Classic text always reads, and always as valid UTF-8.
        FUZZ_CHECK(decoded.has_value());
        FUZZ_CHECK(html::IsValidUtf8(*decoded));
    }
    if (!decoded)
        return 0;

    // What we send comes back as it was.
    const std::string wire = EncodeTextCommand(*decoded);
    FUZZ_CHECK(DecodeTextCommand(kUtf8Tag, wire.data(), wire.size()) == decoded);

    const TextCommand command = ParseTextCommand(*decoded);
    if (command.kind != TextCommandKind::None) {
        FUZZ_CHECK(decoded->size() > command.arg.size());
        FUZZ_CHECK(std::string_view(*decoded).ends_with(command.arg));
        FUZZ_CHECK(decoded->find(':') == decoded->size() - command.arg.size() - 1);
    } else {
        FUZZ_CHECK(command.arg.empty());
    }

    if (std::optional<Shortcut> shortcut = ParseShortcutCommand(*decoded))
        FUZZ_CHECK(ShortcutCommand(*shortcut) == *decoded);
    return 0;
}
