// WriteFileAtomic with Win32 calls: a temporary file beside the target,
// FlushFileBuffers, then MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH, which replaces the target in one step and returns
// only once the move is on the disk.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "common/file.h"
#include "common/handle_win.h"
#include "common/text_win.h"

namespace lumo {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// A scanner or indexer may hold the target open for a moment; the move is
// tried a few times before the save gives up.
bool ReplaceWith(const std::wstring& temp, const std::wstring& target) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(temp.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 4 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION &&
                             error != ERROR_LOCK_VIOLATION))
            return false;
        Sleep(50);
    }
}

}  // namespace

bool WriteFileAtomic(const std::string& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = ToW(path);
    const std::wstring temp = target + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(counter++);
    bool written = false;
    {
        UniqueHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    }
    if (!written || !ReplaceWith(temp, target)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace lumo
