// Registering Lumo as the web browser, the system's default-apps page, and
// reading string values from the registry.
#pragma once

#include <windows.h>

#include <string>

#include "shell/default_browser.h"

namespace lumo {

enum class RegisterResult {
    Registered,  // every value written
    Incomplete,  // some values written, some failed
    Failed,      // nothing written (or the path is not usable)
};

// Writes the values of DefaultBrowserWrites(exePath) below
// HKEY_CURRENT_USER and tells the shell that associations changed. Current
// Windows versions still let the user make the final choice: see
// OpenDefaultAppsSettings.
RegisterResult SetAsDefaultBrowser(const std::string& exePath) noexcept;

// Writes the capabilities alone (BrowserCapabilityWrites): what the
// installer registers.
RegisterResult RegisterBrowserCapabilities(const std::string& exePath) noexcept;

// Removes what either registration wrote: Lumo's own keys and registered
// application value, and the "http" handler keys while their open command is
// still `exePath`'s. True when nothing of it is left.
bool RemoveBrowserRegistration(const std::string& exePath) noexcept;

// Carries out a switch of BrowserSwitchOf for `exePath`; the process exit
// code (0 done, 1 failed).
int RunBrowserSwitch(BrowserSwitch which, const std::string& exePath) noexcept;

// Opens the system's default-apps settings, or the control panel's default
// programs page where those do not exist. Shows no error box of its own.
bool OpenDefaultAppsSettings() noexcept;

// Values longer than this (in bytes of UTF-16) read as missing.
inline constexpr DWORD kMaxRegistryStringBytes = 64 * 1024;

// The string value `valueName` ("" for the default value) of `root\keyPath`,
// opened read-only, as UTF-8. REG_EXPAND_SZ values come back expanded. Empty
// when the key or value is missing, of another type, too long, or unreadable.
std::string ReadRegistryString(HKEY root, const std::string& keyPath,
                               const std::string& valueName) noexcept;

}  // namespace lumo
