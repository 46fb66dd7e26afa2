// The system WebBrowser control in a minimal OLE container of our own.
#pragma once

#include "page/browser_control.h"

namespace lumo {

// Throws BrowserError when the control cannot be created. The first call on
// a thread initializes OLE there (for the rest of the thread's life); a
// thread already in COM's multi-threaded apartment cannot host the control.
std::unique_ptr<BrowserControl> CreateSystemBrowser(const BrowserControl::CreateArgs& args);

}  // namespace lumo
