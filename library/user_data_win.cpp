#include "library/user_data_win.h"

#include <windows.h>
#include <shlobj.h>

#include <iterator>

#include "common/file.h"
#include "common/handle_win.h"
#include "common/log.h"
#include "common/path.h"
#include "common/text_win.h"

namespace lumo {

namespace {

constexpr const char* kListFiles[] = {"gList.dat", "Recents.dat"};

std::string EnvironmentText(const wchar_t* name) {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(name, buf, static_cast<DWORD>(std::size(buf)));
    return n > 0 && n < std::size(buf) ? FromW(std::wstring_view(buf, n)) : std::string();
}

std::string LocalAppDataFolder() {
    PWSTR path = nullptr;
    std::string folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path)))
        folder = FromW(path);
    CoTaskMemFree(path);
    return folder.empty() ? EnvironmentText(L"LOCALAPPDATA") : folder;
}

bool Usable(const std::string& folder) {
    return CreateFolders(folder) && FolderIsWritable(folder);
}

}  // namespace

bool FolderIsWritable(const std::string& folder) {
    const std::wstring probe = ToW(WithTrailingSeparator(folder)) + L"lumo-write-test-" +
                               std::to_wstring(GetCurrentProcessId()) + L".tmp";
    {
        UniqueHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (!file)
            return false;
        DWORD written = 0;
        if (!WriteFile(file.get(), "x", 1, &written, nullptr) || written != 1) {
            file.reset();
            DeleteFileW(probe.c_str());
            return false;
        }
    }
    return DeleteFileW(probe.c_str()) != FALSE;
}

UserDataFolder PrepareUserDataIn(const std::string& programFolder,
                                 const std::string& localAppData) {
    const std::string primary = WithTrailingSeparator(programFolder) + "UserData\\";
    if (Usable(primary))
        return {primary, false};
    if (localAppData.empty())
        return {primary, false};
    const std::string fallback = WithTrailingSeparator(localAppData) + "Lumo\\UserData\\";
    if (!Usable(fallback))
        return {primary, false};  // nowhere to write: the lists load, saves fail
    for (const char* name : kListFiles) {
        if (FileExists(fallback + name) || !FileExists(primary + name))
            continue;
        if (std::optional<std::string> bytes = ReadFileBytes(primary + name))
            WriteFileAtomic(fallback + name, *bytes);
    }
    LogInfo("userdata", "the program folder is not writable; using " + fallback);
    return {fallback, true};
}

UserDataFolder PrepareUserData(const std::string& programFolder) {
    const std::string forced = EnvironmentText(L"LUMO_USERDATA_DIR");
    if (!forced.empty()) {
        const std::string folder = WithTrailingSeparator(forced);
        CreateFolders(folder);
        return {folder, false};
    }
    return PrepareUserDataIn(programFolder, LocalAppDataFolder());
}

}  // namespace lumo
