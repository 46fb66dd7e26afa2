#include <windows.h>

#include "app/LumoUpdate/resource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
