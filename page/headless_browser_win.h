// A headless browser engine: pages load through WinInet (so they use the
// process's per-user cookie store, like the system control) and are read by
// a small HTML reader; no rendering. Enough for well-formed pages such as the
// local maker server's demo game.
#pragma once

#include "page/browser_control.h"

namespace lumo {

std::unique_ptr<BrowserControl> CreateHeadlessBrowser(const BrowserControl::CreateArgs& args);

}  // namespace lumo
