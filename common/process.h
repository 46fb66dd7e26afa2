// Whether a program runs, by executable name.
#pragma once

#include <string_view>

namespace lumo {

// The name test of one process entry: the file-name part of the entry's
// executable field, then the whole field, compared with `name` with ASCII
// letters folded to upper case.
bool ExeNameMatches(std::string_view exeField, std::string_view name);

// True when any running process's executable name equals `name` (case
// folded). False when none does or the process snapshot fails. Windows only.
bool IsProcessRunning(std::string_view name);

}  // namespace lumo
