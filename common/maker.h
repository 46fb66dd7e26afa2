// Where the maker's web server is. A compiled-in host, overridden by the key
// Server/Host of Config.ini in the program folder (the run script and the
// tests point it at the local maker server).
#pragma once

#include <string>
#include <string_view>

namespace lumo {

inline constexpr std::string_view kDefaultMakerHost = "www.lumogame.com";

// "host[:port]" for the program folder `programFolder` (with its trailing
// separator).
std::string MakerHost(const std::string& programFolder);

// "http://" + host + path; `path` starts with '/'.
std::string MakerUrl(const std::string& programFolder, std::string_view path);

}  // namespace lumo
