// The program: picks the role from the command line and wires the shell, the
// main window and the page window together.
#pragma once

#include <windows.h>

namespace lumo {

int RunLumo(HINSTANCE instance);

}  // namespace lumo
