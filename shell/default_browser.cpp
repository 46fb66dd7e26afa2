#include "shell/default_browser.h"

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
    const std::string icon = Quoted(exePath) + ",0";
    const std::string classes = kUserClassesKey;
    const std::string http = classes + "http\\shell";
    const std::string progId = classes + kUrlProgId;
    const std::string client = kClientKey;
    const std::string caps = kCapabilitiesKey;
    return {
        // The classic handler keys of the "http" protocol.
        {http, "", ""},
        {http + "\\open\\command", "", command},
        {http + "\\open\\ddeexec\\Application", "", kClientName},
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

}  // namespace lumo
