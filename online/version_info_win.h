// TVersion: the string version information of an executable, read from its
// Chinese (PRC, code page 936) string table.
#pragma once

#include <windows.h>

#include <string>

namespace lumo {

struct TVersion {
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string LegalCopyright;
    std::string LegalTrademarks;
    std::string OriginalFilename;
    std::string ProductName;
    std::string ProductVersion;
    // False when the executable carries no version information at all (the
    // values then stay empty).
    bool found = false;

    // Reads the values of `exePath`; a value that cannot be read stays empty.
    static TVersion Read(const std::string& exePath);
};

// The message for an executable without version information.
void ShowVersionReadError(HWND owner);

}  // namespace lumo
