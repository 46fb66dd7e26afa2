#include "shell/default_browser.h"

#include "common/text.h"

namespace lumo {

namespace {

bool UsablePath(std::string_view exePath) {
    return !exePath.empty() && exePath.find_first_of("\"\r\n") == std::string_view::npos;
}

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

}  // namespace

std::string OpenCommandFor(std::string_view exePath) {
    return UsablePath(exePath) ? Quoted(exePath) + " \"%1\"" : std::string();
}

std::vector<RegistryWrite> DefaultBrowserWrites(std::string_view exePath) {
    if (!UsablePath(exePath))
        return {};
    const std::string command = OpenCommandFor(exePath);
    const std::string http = std::string(kUserClassesKey) + "http\\shell";
    // The classic handler keys of the "http" protocol.
    std::vector<RegistryWrite> writes = {
        {http, "", ""},
        {http + "\\open\\command", "", command},
        {http + "\\open\\ddeexec\\Application", "", kClientName},
    };
    for (RegistryWrite& w : BrowserCapabilityWrites(exePath)) writes.push_back(std::move(w));
    return writes;
}

std::vector<RegistryWrite> BrowserCapabilityWrites(std::string_view exePath) {
    if (!UsablePath(exePath))
        return {};
    const std::string command = OpenCommandFor(exePath);
    const std::string icon = Quoted(exePath) + ",0";
    const std::string progId = std::string(kUserClassesKey) + kUrlProgId;
    const std::string client = kClientKey;
    const std::string caps = kCapabilitiesKey;
    return {
        // The URL class the capabilities point at.
        {progId, "", "Lumo URL"},
        {progId, "URL Protocol", ""},
        {progId + "\\DefaultIcon", "", icon},
        {progId + "\\shell\\open\\command", "", command},
        // The browser entry and its capabilities.
        {client, "", kClientName},
        {client + "\\DefaultIcon", "", icon},
        {client + "\\shell\\open\\command", "", Quoted(exePath)},
        {caps, "ApplicationName", kClientName},
        {caps, "ApplicationDescription", "网页游戏多开浏览器"},
        {caps, "ApplicationIcon", icon},
        {caps + "\\URLAssociations", "http", kUrlProgId},
        {caps + "\\URLAssociations", "https", kUrlProgId},
        {kRegisteredAppsKey, kClientName, caps},
    };
}

std::vector<std::string> OwnBrowserKeys() {
    return {std::string(kUserClassesKey) + kUrlProgId, kClientKey};
}

bool IsOwnOpenCommand(std::string_view command, std::string_view exePath) {
    // Windows paths compare without regard to letter case.
    const std::string own = OpenCommandFor(exePath);
    return !own.empty() && EqualsNoCase(Trim(command), own);
}

BrowserSwitch BrowserSwitchOf(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return BrowserSwitch::None;
    if (EqualsNoCase(args[1], "/RegisterBrowser"))
        return BrowserSwitch::Register;
    if (EqualsNoCase(args[1], "/UnregisterBrowser"))
        return BrowserSwitch::Unregister;
    return BrowserSwitch::None;
}

}  // namespace lumo
