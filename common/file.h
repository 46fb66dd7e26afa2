// Whole-file reads and writes and folder checks. Paths are UTF-8 in both
// builds (std::filesystem turns them into UTF-16 on Windows).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

std::optional<std::string> ReadFileBytes(const std::string& path);
// Replaces the file: writes a temporary file beside it and renames it over,
// so a failed write never leaves a half file.
bool WriteFileBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);     // a plain file
bool FolderExists(const std::string& path);   // a folder
bool CreateFolders(const std::string& path);  // true when it exists afterwards

}  // namespace lumo
