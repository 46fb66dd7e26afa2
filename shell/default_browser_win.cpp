#include "shell/default_browser_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>

#include "common/guard.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "shell/default_browser.h"

namespace lumo {

namespace {

bool WriteString(const RegistryWrite& w) {
    UniqueHkey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, ToW(w.key).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    std::wstring data = ToW(w.data);
    return RegSetValueExW(key.get(), w.name.empty() ? nullptr : ToW(w.name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// "A\\B\\C" -> "A\\B".
std::string FolderKeyOf(const std::string& keyPath) {
    const size_t cut = keyPath.rfind('\\');
    return cut == std::string::npos ? std::string() : keyPath.substr(0, cut);
}

bool Launch(const wchar_t* file, const wchar_t* params) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // No error boxes and no waiting on whatever the system starts.
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file;
    info.lpParameters = params;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}

std::wstring Expand(const std::wstring& text) {
    DWORD n = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (n == 0 || n > kMaxRegistryStringBytes / sizeof(wchar_t))
        return {};
    std::wstring out(n, L'\0');
    n = ExpandEnvironmentStringsW(text.c_str(), out.data(), n);
    if (n == 0 || n > out.size())
        return {};
    out.resize(n - 1);
    return out;
}

std::string ReadString(HKEY root, const std::string& keyPath, const std::string& valueName) {
    UniqueHkey key;
    if (RegOpenKeyExW(root, ToW(keyPath).c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return {};
    std::wstring name = ToW(valueName);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxRegistryStringBytes)
        return {};
    // One spare character, so the text is terminated even when the stored
    // value is not.
    std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buf.data()), &got) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};  // also when the value grew in between
    buf.resize(wcsnlen(buf.c_str(), got / sizeof(wchar_t)));
    return FromW(type == REG_EXPAND_SZ ? Expand(buf) : buf);
}

RegisterResult WriteAll(const std::vector<RegistryWrite>& writes) {
    size_t written = 0;
    for (const RegistryWrite& w : writes)
        if (WriteString(w))
            ++written;
    if (written == 0)
        return RegisterResult::Failed;
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return written == writes.size() ? RegisterResult::Registered : RegisterResult::Incomplete;
}

bool KeyExists(const std::string& keyPath) {
    UniqueHkey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, ToW(keyPath).c_str(), 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

bool DeleteTree(const std::string& keyPath) {
    const LSTATUS r = RegDeleteTreeW(HKEY_CURRENT_USER, ToW(keyPath).c_str());
    if (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND)
        RegDeleteKeyW(HKEY_CURRENT_USER, ToW(keyPath).c_str());  // the emptied key itself
    return !KeyExists(keyPath);
}

// Removes `keyPath` when nothing is left in it but an empty default value
// (what the registration wrote to the keys above its own).
void DeleteIfEmpty(const std::string& keyPath) {
    UniqueHkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ToW(keyPath).c_str(), 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS)
        return;
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values > 1)
        return;
    DWORD type = 0, size = 0;
    if (values == 1 &&
        (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
         size > sizeof(wchar_t)))
        return;
    key.reset();
    RegDeleteKeyW(HKEY_CURRENT_USER, ToW(keyPath).c_str());
}

}  // namespace

RegisterResult SetAsDefaultBrowser(const std::string& exePath) noexcept {
    return GuardedOr(RegisterResult::Failed,
                     [&] { return WriteAll(DefaultBrowserWrites(exePath)); });
}

RegisterResult RegisterBrowserCapabilities(const std::string& exePath) noexcept {
    return GuardedOr(RegisterResult::Failed,
                     [&] { return WriteAll(BrowserCapabilityWrites(exePath)); });
}

bool RemoveBrowserRegistration(const std::string& exePath) noexcept {
    return GuardedOr(false, [&] {
        bool clean = true;
        for (const std::string& key : OwnBrowserKeys()) clean = DeleteTree(key) && clean;
        {
            UniqueHkey apps;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, ToW(kRegisteredAppsKey).c_str(), 0, KEY_SET_VALUE,
                              apps.put()) == ERROR_SUCCESS) {
                const LSTATUS r = RegDeleteValueW(apps.get(), ToW(kClientName).c_str());
                clean = (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND) && clean;
            }
        }
        const std::string open = kHttpOpenKey;
        if (IsOwnOpenCommand(ReadString(HKEY_CURRENT_USER, open + "\\command", ""), exePath)) {
            clean = DeleteTree(open) && clean;
            const std::string shell = FolderKeyOf(open);
            DeleteIfEmpty(shell);
            DeleteIfEmpty(FolderKeyOf(shell));
        }
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
        return clean;
    });
}

int RunBrowserSwitch(BrowserSwitch which, const std::string& exePath) noexcept {
    switch (which) {
        case BrowserSwitch::Register:
            return RegisterBrowserCapabilities(exePath) == RegisterResult::Registered ? 0 : 1;
        case BrowserSwitch::Unregister:
            return RemoveBrowserRegistration(exePath) ? 0 : 1;
        case BrowserSwitch::None:
            break;
    }
    return 1;
}

bool OpenDefaultAppsSettings() noexcept {
    return Launch(L"ms-settings:defaultapps", nullptr) ||
           Launch(L"control.exe", L"/name Microsoft.DefaultPrograms");
}

std::string ReadRegistryString(HKEY root, const std::string& keyPath,
                               const std::string& valueName) noexcept {
    return GuardedOr(std::string(), [&] { return ReadString(root, keyPath, valueName); });
}

}  // namespace lumo
