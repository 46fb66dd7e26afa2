// Puts a new executable in place of an old one so that a crash at any moment
// leaves a whole program at the old one's path.
#pragma once

#include <string>

namespace lumo {

// Copies `source` beside `target` (target + ".new"), then swaps it in with
// the old file kept as target + ".old" until the new one is in place, and
// deletes the backup (or schedules it for deletion at the next restart when
// it is still in use). False when the target is left as it was.
bool ReplaceExecutable(const std::string& source, const std::string& target);

// Removes what an interrupted replacement left beside `target`.
void CleanReplacementLeftovers(const std::string& target);

}  // namespace lumo
