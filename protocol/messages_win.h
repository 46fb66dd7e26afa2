// Every window message of ours: the registered command messages between the
// shell and its page processes (posted), the text commands (WM_COPYDATA,
// sent), and the private messages a window posts to itself, all in one
// reserved range so that no two features pick the same number.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "protocol/text_command.h"

namespace lumo {

// Private messages, WM_APP + 40 .. WM_APP + 79 reserved for them.
inline constexpr UINT kFirstPrivateMessage = WM_APP + 40;
// Posted to the main window to run the page requests queued during a start.
inline constexpr UINT kRunDeferredMessage = kFirstPrivateMessage + 1;
// Posted to the page host by a process watch when a page process ended
// (wParam: the page's id).
inline constexpr UINT kPageEndedMessage = kFirstPrivateMessage + 2;
// Posted to the page host when the start-page list was read (lParam: a
// heap std::string with the address, the receiver frees it).
inline constexpr UINT kFirstPageMessage = kFirstPrivateMessage + 3;
// Posted to the shell's online notifier when the version answer asks for
// the update prompt.
inline constexpr UINT kUpdateOfferMessage = kFirstPrivateMessage + 10;
inline constexpr UINT kLastPrivateMessage = WM_APP + 79;

// The notification-icon callback of the main window (a left double-click
// toggles it, a right click opens the tray menu), and the older callback
// number it also answers (right click: menu, left click: show).
inline constexpr UINT kTrayMessage = WM_USER + 200;
inline constexpr UINT kTrayLegacyMessage = WM_USER + 1;

struct RegisteredMessages {
    UINT operate = 0;  // "LumoOperateMessage": show yourself
    UINT goBack = 0;
    UINT goForward = 0;
    UINT goStop = 0;
    UINT goRefresh = 0;
    // "LumoEmbedMessage": become a child of the window in wParam, filling
    // it (hidden until shown). The page does it itself, so the shell never
    // waits on a page while re-parenting.
    UINT embed = 0;
    // "LumoHideMessage": hide yourself. Posted, so it keeps its order with
    // the show message.
    UINT hide = 0;
};

// Registers the names (once per process) and returns their numbers. The
// reserved names are registered too, though nothing sends or handles them.
const RegisteredMessages& Messages();

// How long a text command may wait for its receiver. A receiver that does
// not answer (hung, or gone) is given up on, so one stuck page never
// freezes the shell and a page never waits for ever on its shell.
inline constexpr UINT kTextCommandTimeoutMs = 10000;

// The shell's limit for a text command to one of its pages.
inline constexpr UINT kPageCommandTimeoutMs = 1000;

// Sends `text` to `target` as a text command from `sender` and waits until
// the receiver has acted (or the time limit). Returns whether it was
// delivered; callers of the protocol ignore the result.
bool SendCopyData(HWND target, HWND sender, std::string_view text,
                  UINT timeoutMs = kTextCommandTimeoutMs);

// The same for a receiver that answers whether it took the command (a
// closing shell refuses a hand-over): true only when it was taken.
bool SendCopyDataTaken(HWND target, HWND sender, std::string_view text,
                       UINT timeoutMs = kTextCommandTimeoutMs);

// The same in the classic zero-terminated ANSI form.
bool SendCopyDataAnsi(HWND target, HWND sender, std::string_view utf8Text);

// The text of a received WM_COPYDATA (lParam), nullopt when malformed.
std::optional<std::string> ReadCopyData(LPARAM lp);

// A received WM_COPYDATA read into a typed command; nullopt when malformed
// (a well-formed text with no known prefix gives kind None).
std::optional<TextCommand> ReadTextCommand(LPARAM lp);

// Posts a registered command message (wParam 0, lParam 1).
bool PostCommand(HWND target, UINT message);

}  // namespace lumo
