// Path helpers. Windows paths use backslashes; a folder is kept with its
// trailing separator so that folder + relative name is a path.
#pragma once

#include <string>
#include <string_view>

namespace lumo {

// "C:\a\b\Lumo.exe" -> "C:\a\b\" (also accepts '/'). Empty when no separator.
std::string FolderOf(std::string_view path);
// "C:\a\b\Lumo.exe" -> "Lumo.exe".
std::string FileNameOf(std::string_view path);
// "Lumo.exe" -> "Lumo": the file name up to its first dot.
std::string TitleOf(std::string_view path);
// Appends `sep` unless the text already ends with '\' or '/'.
std::string WithTrailingSeparator(std::string_view folder, char sep = '\\');

// Full path of the running executable and its folder with the trailing
// backslash ("program folder"). Windows only (path_win.cpp).
std::string ExecutablePath();
std::string ProgramFolder();

}  // namespace lumo
