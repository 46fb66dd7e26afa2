// What registering Lumo as the web browser writes: the classic "http"
// handler keys plus the per-user registration that current Windows lists in
// its default-apps settings (the capabilities, which the installer registers
// alone). Everything goes below HKEY_CURRENT_USER, so no administrator rights
// are needed; HKEY_CLASSES_ROOT shows the keys under "Software\Classes" as
// its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumo {

inline constexpr char kUrlProgId[] = "LumoURL";
inline constexpr char kClientName[] = "Lumo";
inline constexpr char kUserClassesKey[] = "Software\\Classes\\";
inline constexpr char kClientKey[] = "Software\\Clients\\StartMenuInternet\\Lumo";
inline constexpr char kCapabilitiesKey[] =
    "Software\\Clients\\StartMenuInternet\\Lumo\\Capabilities";
inline constexpr char kRegisteredAppsKey[] = "Software\\RegisteredApplications";

// One string value to write below HKEY_CURRENT_USER; an empty name is the
// key's default value.
struct RegistryWrite {
    std::string key;
    std::string name;
    std::string data;
    bool operator==(const RegistryWrite&) const = default;
};

// `"<exe>" "%1"`: the open command for addresses. Empty when `exePath` cannot
// be a path (empty, or holding a quote or a line break, which would let the
// address escape its argument).
std::string OpenCommandFor(std::string_view exePath);

// Every value to write, in order: the "http" handler keys, then the
// capabilities. Empty when `exePath` is not usable.
std::vector<RegistryWrite> DefaultBrowserWrites(std::string_view exePath);

// The capabilities alone (URL class, browser entry, registered application):
// what lets the player pick Lumo in the default-apps settings without taking
// the "http" handler from the browser in use.
std::vector<RegistryWrite> BrowserCapabilityWrites(std::string_view exePath);

// The keys that are wholly Lumo's and go with the registration (the
// registered-application value `kClientName` goes too).
std::vector<std::string> OwnBrowserKeys();

// The "http" handler key whose open command this registration writes; it is
// removed only while that command still is `exePath`'s (another browser may
// have taken it over since).
inline constexpr char kHttpOpenKey[] = "Software\\Classes\\http\\shell\\open";
bool IsOwnOpenCommand(std::string_view command, std::string_view exePath);

// The switches the installer runs Lumo.exe with: "/RegisterBrowser" writes
// the capabilities, "/UnregisterBrowser" removes every value a registration
// wrote. Only as the one argument, letters in any case.
enum class BrowserSwitch { None, Register, Unregister };
BrowserSwitch BrowserSwitchOf(const std::vector<std::string>& args);

}  // namespace lumo
