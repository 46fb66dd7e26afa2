// At shell start: the system browser control in this program runs in its
// newest document mode with GPU drawing. Per user (HKCU, no admin rights),
// under the running executable's file name; values set by hand stay.
#pragma once

#include <string>

namespace lumo {

inline constexpr wchar_t kFeatureControlKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl";
// Where the shell remembers what it wrote (one subkey per setting, one value
// per executable name).
inline constexpr wchar_t kOwnFeatureRecordKey[] = L"Software\\Lumo\\FeatureControl";

// Writes FEATURE_BROWSER_EMULATION and FEATURE_GPU_RENDERING for
// `exeName` ("Lumo.exe") where FeatureValueToWrite says so. Errors are
// logged, never raised.
void SetBrowserFeatures(const std::string& exeName) noexcept;

}  // namespace lumo
