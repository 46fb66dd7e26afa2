#include <windows.h>

#include "shell/entry_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return lumo::RunLumo(instance); }
