// Start of every Lumo process: the role test, the page-process start and the
// shell start with its single-instance rule, start-up order and exit steps.
#pragma once

#include <windows.h>

namespace lumo {

int RunLumo(HINSTANCE instance);

}  // namespace lumo
