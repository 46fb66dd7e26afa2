#include <windows.h>
#include <tlhelp32.h>

#include "common/handle_win.h"
#include "common/process.h"
#include "common/text_win.h"

namespace lumo {

bool IsProcessRunning(std::string_view name) {
    UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.valid())
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Process32FirstW(snap.get(), &entry); ok;
         ok = Process32NextW(snap.get(), &entry)) {
        if (ExeNameMatches(FromW(entry.szExeFile), name))
            return true;
    }
    return false;
}

}  // namespace lumo
