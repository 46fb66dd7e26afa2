#include "updater/replace_exe_win.h"

#include <windows.h>

#include "common/file.h"
#include "common/text_win.h"

namespace lumo {

namespace {

void RemoveOrSchedule(const std::wstring& path) {
    if (!DeleteFileW(path.c_str()) && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

bool ReplaceExecutable(const std::string& source, const std::string& target) {
    if (target.empty() || source.empty())
        return false;
    const std::wstring wTarget = ToW(target);
    const std::wstring wNew = ToW(target + ".new");
    const std::wstring wOld = ToW(target + ".old");
    if (!CopyFileW(ToW(source).c_str(), wNew.c_str(), FALSE))
        return false;
    bool replaced = false;
    if (FileExists(target)) {
        // A read-only target refuses the swap; the user may have set it.
        const DWORD attrs = GetFileAttributesW(wTarget.c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(wTarget.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
        DeleteFileW(wOld.c_str());
        replaced = ReplaceFileW(wTarget.c_str(), wNew.c_str(), wOld.c_str(),
                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != FALSE;
        if (!replaced && attrs != INVALID_FILE_ATTRIBUTES && FileExists(target))
            SetFileAttributesW(wTarget.c_str(), attrs);
    } else {
        replaced = MoveFileExW(wNew.c_str(), wTarget.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
    }
    if (!replaced) {
        DeleteFileW(wNew.c_str());
        return false;
    }
    RemoveOrSchedule(wOld);
    return true;
}

void CleanReplacementLeftovers(const std::string& target) {
    if (target.empty())
        return;
    // A swap cut short between its renames: the old program goes back.
    const std::wstring wTarget = ToW(target);
    if (!FileExists(target) && FileExists(target + ".old"))
        MoveFileExW(ToW(target + ".old").c_str(), wTarget.c_str(), 0);
    DeleteFileW(ToW(target + ".new").c_str());
    if (FileExists(target))
        RemoveOrSchedule(ToW(target + ".old"));
}

}  // namespace lumo
