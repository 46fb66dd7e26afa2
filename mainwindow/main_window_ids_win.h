// What the main window's files share: its control ids and bar sizes.
#pragma once

#include <windows.h>

namespace lumo::main_window_internal {

enum ControlId {
    kIdNavFirst = 100,  // the six navigation buttons: 100..105
    kIdAddressBox = 200,
    kIdGo = 201,
    kIdSearchEdit = 202,
    kIdSearch = 203,
    kIdFavorites = 300,
    kIdNewTabFlow = 301,
    kIdTabClose = 302,
    kIdTabNew = 303,
    kIdTabStrip = 310,
    kIdTrayShow = 400,
    kIdTrayClose = 401,
    kIdMenuSaveGame = 0x7101,
    kIdMenuExit = 0x7102,
    kIdMenuSidePanel = 0x7103,
};

constexpr int kNavButtonW = 39, kNavButtonH = 38, kNavButtons = 6;
constexpr int kTabNewBarWidth = 35, kNewTabBarWidth = 22;

}  // namespace lumo::main_window_internal
