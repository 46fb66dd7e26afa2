#include "shell/cookie_redirect_win.h"

#include <wininet.h>

#include "common/text_win.h"

namespace lumo {

namespace {

bool ReadValue(HKEY key, std::wstring& value, DWORD& type) {
    DWORD size = 0;
    if (RegQueryValueExW(key, L"Cookies", nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::wstring buf(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, L"Cookies", nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    buf.resize(size / sizeof(wchar_t));
    while (!buf.empty() && buf.back() == L'\0') buf.pop_back();
    value = buf;
    return true;
}

void WriteValue(HKEY key, const std::wstring& value, DWORD type) {
    RegSetValueExW(key, L"Cookies", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

bool CookieFolderRedirect::Open() {
    return RegCreateKeyExW(HKEY_CURRENT_USER, kShellFoldersKey, 0, nullptr, 0,
                           KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.put(),
                           nullptr) == ERROR_SUCCESS;
}

void CookieFolderRedirect::Redirect(const std::string& folder) {
    if (!key_.valid())
        return;
    hadValue_ = ReadValue(key_.get(), oldValue_, oldType_);
    if (oldType_ != REG_SZ && oldType_ != REG_EXPAND_SZ)
        oldType_ = REG_EXPAND_SZ;
    redirected_ = true;
    WriteValue(key_.get(), ToW(folder), oldType_);
    InternetSetOptionW(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
    InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
}

void CookieFolderRedirect::Restore() {
    if (!redirected_ || !key_.valid())
        return;
    redirected_ = false;
    if (hadValue_) {
        WriteValue(key_.get(), oldValue_, oldType_);
    } else {
        RegDeleteValueW(key_.get(), L"Cookies");
    }
}

std::string CurrentCookieFolderValue() {
    UniqueHkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS)
        return {};
    std::wstring value;
    DWORD type = 0;
    return ReadValue(key.get(), value, type) ? FromW(value) : std::string();
}

}  // namespace lumo
