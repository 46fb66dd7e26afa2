// Text commands between the shell and its page processes. A text command is
// a prefix and its argument, carried in WM_COPYDATA with the sender's window
// in wParam. The classic form is zero-terminated ANSI text (dwData unused);
// our own processes send UTF-8 marked by kUtf8Tag in dwData, so titles and
// addresses outside the ANSI code page arrive intact. The receiver bounds
// every read by cbData and drops what it cannot read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumo {

enum class TextCommandKind {
    None,         // matches no prefix
    NewTab,       // "NT:"  + address
    NewTabAlias,  // "NNT:" + address (same effect as "NT:")
    Title,        // "TC:"  + title
    Url,          // "URL:" + address
    SaveBill,     // "SBI:" (+ bill, from a page)
    FillBill,     // "FILL:" + bill: the shell hands a waiting page its bill
};

struct TextCommand {
    TextCommandKind kind = TextCommandKind::None;
    std::string arg;  // everything behind the prefix
};

// Prefixes are matched at the start without regard to letter case, in the
// order NT:, NNT:, TC:, URL:, SBI:, FILL:.
TextCommand ParseTextCommand(std::string_view text);

inline constexpr std::string_view kPrefixNewTab = "NT:";
inline constexpr std::string_view kPrefixTitle = "TC:";
inline constexpr std::string_view kPrefixUrl = "URL:";
inline constexpr std::string_view kPrefixSaveBill = "SBI:";
inline constexpr std::string_view kPrefixFillBill = "FILL:";

// dwData of a UTF-8 text command ('L','U','M','8').
inline constexpr uint32_t kUtf8Tag = 0x384D554C;
// Larger payloads are not text commands of ours: a bill or an address is a
// few kilobytes. (Wine ends a receiving process outright for WM_COPYDATA
// payloads of about 2 MB, so nothing near that is ever sent.)
inline constexpr size_t kMaxTextCommandBytes = 1u << 20;

// The bytes to put in lpData (with the terminating zero) for a UTF-8 text.
std::string EncodeTextCommand(std::string_view utf8);

// The text of a received payload as UTF-8, or nullopt when it is malformed
// (null data, too large, invalid UTF-8 under the UTF-8 tag). The text ends at
// the first zero byte or at `size`, whichever comes first; any other tag is
// read as classic ANSI text.
std::optional<std::string> DecodeTextCommand(uintptr_t tag, const void* data, size_t size);

}  // namespace lumo
