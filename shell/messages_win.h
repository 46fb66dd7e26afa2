// The window messages between the shell and its page processes: registered
// command messages (posted) and text commands (WM_COPYDATA, sent).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

struct RegisteredMessages {
    UINT operate = 0;  // "LumoOperateMessage": show yourself
    UINT goBack = 0;
    UINT goForward = 0;
    UINT goStop = 0;
    UINT goRefresh = 0;
};

// Registers the names (once per process) and returns their numbers. The
// reserved names are registered too, though nothing sends or handles them.
const RegisteredMessages& Messages();

// How long a text command may wait for its receiver. A receiver that does
// not answer (hung, or gone) is given up on, so one stuck page never
// freezes the shell and a page never waits for ever on its shell.
inline constexpr UINT kTextCommandTimeoutMs = 10000;

// Sends `text` to `target` as a text command from `sender` and waits until
// the receiver has acted (or the time limit). Returns whether it was
// delivered; callers of the protocol ignore the result.
bool SendCopyData(HWND target, HWND sender, std::string_view text);

// The same in the classic zero-terminated ANSI form.
bool SendCopyDataAnsi(HWND target, HWND sender, std::string_view utf8Text);

// The text of a received WM_COPYDATA (lParam), nullopt when malformed.
std::optional<std::string> ReadCopyData(LPARAM lp);

// Posts a registered command message (wParam 0, lParam 1).
bool PostCommand(HWND target, UINT message);

}  // namespace lumo
