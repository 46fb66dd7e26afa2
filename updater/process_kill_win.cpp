#include "updater/process_kill_win.h"

#include <tlhelp32.h>

#include "common/handle_win.h"
#include "common/log.h"
#include "common/process.h"
#include "common/text_win.h"

namespace lumo {

DWORD ProcessKiller::NextTarget() const {
    if (name_.empty())
        return 0;
    UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap)
        return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    const DWORD self = GetCurrentProcessId();
    for (BOOL ok = Process32FirstW(snap.get(), &entry); ok;
         ok = Process32NextW(snap.get(), &entry)) {
        if (entry.th32ProcessID != self && !givenUp_.count(entry.th32ProcessID) &&
            ExeNameMatches(FromW(entry.szExeFile), name_))
            return entry.th32ProcessID;
    }
    return 0;
}

bool ProcessKiller::AnyLeft() const {
    return NextTarget() != 0;
}

ProcessKiller::Step ProcessKiller::KillOne() {
    const DWORD pid = NextTarget();
    if (pid == 0)
        return Step::None;
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    bool ended = false;
    if (process) {
        TerminateProcess(process.get(), 0);
        ended = WaitForSingleObject(process.get(), kWaitMs) == WAIT_OBJECT_0;
    }
    if (ended)
        return Step::Ended;
    if (++failures_[pid] >= kTries) {
        givenUp_.insert(pid);
        LogWarn("updater", "cannot end process " + std::to_string(pid));
    }
    return Step::Failed;
}

}  // namespace lumo
