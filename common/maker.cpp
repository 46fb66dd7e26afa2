#include "common/maker.h"

#include "common/ini.h"
#include "common/text.h"

namespace lumo {

std::string MakerHost(const std::string& programFolder) {
    const std::string host = Trim(ReadIniString(programFolder + "Config.ini", "Server", "Host"));
    return host.empty() ? std::string(kDefaultMakerHost) : host;
}

std::string MakerUrl(const std::string& programFolder, std::string_view path) {
    return "http://" + MakerHost(programFolder) + std::string(path);
}

}  // namespace lumo
