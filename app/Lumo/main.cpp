#include <windows.h>

#include "app/Lumo/run_lumo_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return lumo::RunLumo(instance);
}
