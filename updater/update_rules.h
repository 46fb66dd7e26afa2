// The updater's portable rules: its command line, where its files live, and
// what a download must be before it may replace the shell's executable.
#pragma once

#include <optional>
#include <string>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lumo {

// `"<file version>" "<full path of Lumo.exe>" "<version-file address>"`,
// each kept unchanged; missing ones are empty.
struct UpdaterArgs {
    std::string version;
    std::string shellExe;
    std::string versionFileUrl;
    std::string shellExeName;  // file-name part of shellExe
};
// `argv` without the program itself.
UpdaterArgs ReadUpdaterArgs(const std::vector<std::string>& argv);

// The updater lives in <program folder>\Update\; Config.ini (the update
// server's host) is the program folder's. Both with trailing backslash.
std::string ProgramFolderOfUpdater(std::string_view updaterFolder);
std::string TempFolderOf(std::string_view updaterFolder);  // ends in TmpPath and a backslash

inline constexpr std::string_view kUpdatePath = "/user/VersionInfo/Lumo";

// A web server's page for a missing file, recognised by its wording.
bool IsNotFoundPage(std::string_view body);

// Why bytes are not a 32-bit Windows program (Ok when they are).
enum class ExeCheck { Ok, TooShort, NoMz, NoPeSignature, NotI386, NotPe32 };
// The kind of Windows program an update must be: the updater's own, so a
// 32-bit updater takes only a 32-bit Lumo.exe (a 64-bit build, 64-bit ones).
struct ExeKind {
    std::uint16_t machine = 0x014C;  // IMAGE_FILE_MACHINE_I386 (AMD64: 0x8664)
    std::uint16_t magic = 0x010B;    // PE32 optional header (PE32+: 0x020B)
};
ExeCheck CheckWindowsExe(std::string_view bytes, ExeKind kind = {});

// The "sha256" key of the version file's [version] section, lower-cased and
// trimmed; nullopt without the key. A value that is not 64 hex digits is
// returned as is, so that no digest ever equals it.
std::optional<std::string> ExpectedSha256(std::string_view versionFile);

// Lower-case hex of raw digest bytes.
std::string HexOf(std::string_view bytes);

}  // namespace lumo
