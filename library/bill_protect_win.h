// Bills kept on disk protected for the current Windows user (the system's
// data-protection API): another user or another machine cannot open them.
#pragma once

#include "library/game_list.h"

namespace lumo {

// protect/unprotect through CryptProtectData/CryptUnprotectData for the
// current user, with the program's own entropy and no user interface.
BillProtector UserBillProtector();

}  // namespace lumo
