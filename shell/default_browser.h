// What registering Lumo as the web browser writes: the classic "http"
// handler keys plus the per-user registration that current Windows lists in
// its default-apps settings. Everything goes below HKEY_CURRENT_USER, so no
// administrator rights are needed; HKEY_CLASSES_ROOT shows the keys under
// "Software\Classes" as its own.
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

// Every value to write, in order; empty when `exePath` is not usable.
std::vector<RegistryWrite> DefaultBrowserWrites(std::string_view exePath);

}  // namespace lumo
