#include "shell/cookie_redirect_win.h"

#include <wininet.h>

#include "common/file.h"
#include "common/log.h"
#include "common/text_win.h"
#include "shell/cookie_journal.h"

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

std::wstring CookieFolderKeyPath() {
    wchar_t buf[1024];
    DWORD n = GetEnvironmentVariableW(L"LUMO_COOKIE_KEY", buf, 1024);
    if (n > 0 && n < 1024)
        return std::wstring(buf, n);
    return kShellFoldersKey;
}

bool CookieFolderRedirect::Open() {
    return RegCreateKeyExW(HKEY_CURRENT_USER, CookieFolderKeyPath().c_str(), 0, nullptr, 0,
                           KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key_.put(),
                           nullptr) == ERROR_SUCCESS;
}

bool CookieFolderRedirect::Redirect(const std::string& folder, const std::string& journalPath) {
    if (!key_.valid())
        return false;
    hadValue_ = ReadValue(key_.get(), oldValue_, oldType_);
    if (oldType_ != REG_SZ && oldType_ != REG_EXPAND_SZ)
        oldType_ = REG_EXPAND_SZ;
    if (!journalPath.empty()) {
        // The original goes to disk first: a shell that dies before Restore
        // leaves it for the next start.
        CookieJournal j{hadValue_, static_cast<uint32_t>(oldType_), FromW(oldValue_)};
        if (!WriteFileBytes(journalPath, EncodeCookieJournal(j))) {
            LogError("cookies", "cannot write the cookie-value journal; no redirection");
            return false;
        }
        journalPath_ = journalPath;
    }
    redirected_ = true;
    WriteValue(key_.get(), ToW(folder), oldType_);
    InternetSetOptionW(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
    InternetSetOptionW(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    return true;
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
    if (!journalPath_.empty()) {
        DeleteFileW(ToW(journalPath_).c_str());
        journalPath_.clear();
    }
}

bool RestoreCookieValueFromJournal(const std::string& journalPath) {
    auto text = ReadFileBytes(journalPath);
    if (!text)
        return false;
    auto j = DecodeCookieJournal(*text);
    bool restored = false;
    UniqueHkey key;
    if (j && RegCreateKeyExW(HKEY_CURRENT_USER, CookieFolderKeyPath().c_str(), 0, nullptr, 0,
                             KEY_SET_VALUE, nullptr, key.put(), nullptr) == ERROR_SUCCESS) {
        if (j->hadValue) {
            DWORD type = j->type == REG_SZ ? REG_SZ : REG_EXPAND_SZ;
            WriteValue(key.get(), ToW(j->value), type);
        } else {
            RegDeleteValueW(key.get(), L"Cookies");
        }
        restored = true;
        LogWarn("cookies", "restored the cookie folder value left redirected by an earlier run");
    } else if (!j) {
        LogError("cookies", "damaged cookie-value journal ignored");
    }
    if (restored || !j)
        DeleteFileW(ToW(journalPath).c_str());
    return restored;
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
