// A headless browser engine: pages load through WinInet (with cookies kept
// in the process's memory, never in a cookie store) and are read by
// a small HTML reader; no rendering. Enough for well-formed pages such as the
// local maker server's demo game.
#pragma once

#include "page/browser_control.h"

namespace lumo {

std::unique_ptr<BrowserControl> CreateHeadlessBrowser(const BrowserControl::CreateArgs& args);

}  // namespace lumo
