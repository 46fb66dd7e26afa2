// The UserData folder that holds gList.dat and Recents.dat.
#pragma once

#include <string>

namespace lumo {

struct UserDataFolder {
    std::string folder;     // with trailing backslash
    bool fellBack = false;  // the program folder was not writable
};

// Program folder + "UserData\", created when missing. When that folder cannot
// be created or written (a program installed under Program Files), the
// per-user folder %LOCALAPPDATA%\Lumo\UserData\ instead; the lists found in
// the program folder's UserData are copied there the first time, so the
// player keeps them. The environment variable LUMO_USERDATA_DIR, when set,
// names the folder outright (tests).
UserDataFolder PrepareUserData(const std::string& programFolder);

// The same with the per-user root (normally %LOCALAPPDATA%) given; no
// environment variable is consulted.
UserDataFolder PrepareUserDataIn(const std::string& programFolder, const std::string& localAppData);

// Whether a file can be created (and removed again) in `folder`.
bool FolderIsWritable(const std::string& folder);

}  // namespace lumo
