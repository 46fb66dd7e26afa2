// Whole-file reads and writes and folder checks. Paths are UTF-8 in both
// builds (std::filesystem turns them into UTF-16 on Windows).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

std::optional<std::string> ReadFileBytes(const std::string& path);
// Replaces the file in one step: writes a temporary file beside it
// ("<name>.tmp<unique>"), flushes it to the disk and moves it over the old
// one. Whenever it fails or the process dies meanwhile, the file is either
// the old one or the new one, never a mix; on failure the temporary file is
// removed. (file_win.cpp / file_posix.cpp)
bool WriteFileAtomic(const std::string& path, std::string_view bytes);
// The same; the name the older callers use.
bool WriteFileBytes(const std::string& path, std::string_view bytes);
// Removes the temporary files a WriteFileAtomic of `path` left behind when
// its process died half-way. Only for files no other process writes.
void RemoveStaleTempFiles(const std::string& path);
// Renames a file or folder; fails when `to` exists.
bool RenameFile(const std::string& from, const std::string& to);
bool FileExists(const std::string& path);     // a plain file
bool FolderExists(const std::string& path);   // a folder
bool CreateFolders(const std::string& path);  // true when it exists afterwards

}  // namespace lumo
