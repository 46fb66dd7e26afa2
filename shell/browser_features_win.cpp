#include "shell/browser_features_win.h"

#include <windows.h>

#include <optional>

#include "common/handle_win.h"
#include "common/log.h"
#include "common/text_win.h"
#include "shell/browser_features.h"

namespace lumo {
namespace {

std::optional<uint32_t> ReadDword(HKEY key, const std::wstring& name) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS)
        return std::nullopt;
    // A value of another type is there all the same: not ours to replace.
    return type == REG_DWORD && size == sizeof value ? value : 0xFFFFFFFFu;
}

bool WriteDword(HKEY key, const std::wstring& name, uint32_t value) {
    DWORD v = value;
    return RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                          sizeof v) == ERROR_SUCCESS;
}

void SetFeature(const wchar_t* feature, const std::wstring& exeName, uint32_t wanted) {
    UniqueHkey key, record;
    std::wstring path = std::wstring(kFeatureControlKey) + L"\\" + feature;
    std::wstring recordPath = std::wstring(kOwnFeatureRecordKey) + L"\\" + feature;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS ||
        RegCreateKeyExW(HKEY_CURRENT_USER, recordPath.c_str(), 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, record.put(),
                        nullptr) != ERROR_SUCCESS) {
        LogWarn("shell", "browser feature key cannot be opened: " + FromW(feature));
        return;
    }
    auto write = FeatureValueToWrite(ReadDword(key.get(), exeName),
                                     ReadDword(record.get(), exeName), wanted);
    if (!write)
        return;
    // The record first: a value we wrote is never taken for the user's.
    if (!WriteDword(record.get(), exeName, *write) || !WriteDword(key.get(), exeName, *write))
        LogWarn("shell", "browser feature cannot be written: " + FromW(feature));
}

}  // namespace

void SetBrowserFeatures(const std::string& exeName) noexcept {
    try {
        std::wstring name = ToW(exeName);
        SetFeature(L"FEATURE_BROWSER_EMULATION", name, kBrowserEmulationMode);
        SetFeature(L"FEATURE_GPU_RENDERING", name, kGpuRendering);
    } catch (...) {
        LogError("shell", "browser features not set");
    }
}

}  // namespace lumo
