// The rules of the version check: the maker's version file, the comparison
// with the shell's own file version and the updater's command line.
#pragma once

#include <string>
#include <string_view>

namespace lumo {

inline constexpr std::string_view kVersionFilePath = "/user/VersionInfo/config.ini";
inline constexpr std::string_view kUpdaterExeName = "LumoUpdate.exe";

// What the version file announces (section "version").
struct ServerVersionInfo {
    std::string version;           // key "version", as written (untrimmed)
    std::string announcementPage;  // key "ImagePath": a page for the prompt
};

// Reads the version file's text (ANSI bytes, as served).
ServerVersionInfo ParseVersionFile(std::string_view body);

// Whether the server announces another version than ours: both trimmed, an
// exact byte comparison; any difference counts (also an older server
// version), an empty server version never does.
bool IsNewVersion(std::string_view fileVersion, std::string_view serverVersion);

// The updater's arguments: a blank, then the file version (as read), the
// shell's executable path and the version file's address, each quoted,
// separated by one blank.
std::string UpdaterArguments(std::string_view fileVersion, std::string_view exePath,
                             std::string_view versionUrl);

// Program folder + "Update\LumoUpdate.exe".
std::string UpdaterPath(std::string_view programFolder);

// The updater's full command line: its path, quoted (a program folder may
// hold blanks), then the arguments.
std::string UpdaterCommandLine(std::string_view programFolder, std::string_view arguments);

}  // namespace lumo
