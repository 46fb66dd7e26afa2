#include "online/version_check.h"

#include "common/ini.h"
#include "common/path.h"
#include "common/text.h"

namespace lumo {

ServerVersionInfo ParseVersionFile(std::string_view body) {
    IniDoc doc = IniDoc::Parse(body);
    ServerVersionInfo info;
    info.version = doc.Get("version", "version");
    info.announcementPage = AnsiToUtf8(doc.Get("version", "ImagePath"));
    return info;
}

bool IsNewVersion(std::string_view fileVersion, std::string_view serverVersion) {
    std::string_view server = TrimView(serverVersion);
    return !server.empty() && server != TrimView(fileVersion);
}

std::string UpdaterArguments(std::string_view fileVersion, std::string_view exePath,
                             std::string_view versionUrl) {
    auto quoted = [](std::string_view s) { return "\"" + std::string(s) + "\""; };
    return " " + quoted(fileVersion) + " " + quoted(exePath) + " " + quoted(versionUrl);
}

std::string UpdaterPath(std::string_view programFolder) {
    return WithTrailingSeparator(programFolder) + "Update\\" + std::string(kUpdaterExeName);
}

std::string UpdaterCommandLine(std::string_view programFolder, std::string_view arguments) {
    return "\"" + UpdaterPath(programFolder) + "\"" + std::string(arguments);
}

}  // namespace lumo
