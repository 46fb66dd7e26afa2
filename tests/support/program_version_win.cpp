#include "tests/support/program_version_win.h"

#include <vector>

#include "common/text_win.h"

namespace lumo::test {

namespace {

BOOL CALLBACK TakeLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR out) {
    *reinterpret_cast<WORD*>(out) = lang;
    return FALSE;
}

}  // namespace

std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(ToW(path).c_str(), &ignored);
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (size == 0 || !GetFileVersionInfoW(ToW(path).c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len))
        return "";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

bool MakeVersion(const std::string& from, const std::string& to, WORD a, WORD b, WORD c, WORD d) {
    if (!CopyFileW(ToW(from).c_str(), ToW(to).c_str(), FALSE))
        return false;
    std::string resource;
    WORD lang = 0;
    if (HMODULE m = LoadLibraryExW(ToW(to).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EnumResourceLanguagesW(m, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), TakeLanguage,
                               reinterpret_cast<LONG_PTR>(&lang));
        if (HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16))) {
            const char* p = static_cast<const char*>(LockResource(LoadResource(m, r)));
            resource.assign(p, SizeofResource(m, r));
        }
        FreeLibrary(m);
    }
    const std::string signature("\xBD\x04\xEF\xFE", 4);
    const size_t at = resource.find(signature);
    if (at == std::string::npos)
        return false;
    auto* info = reinterpret_cast<VS_FIXEDFILEINFO*>(&resource[at]);
    info->dwFileVersionMS = MAKELONG(b, a);
    info->dwFileVersionLS = MAKELONG(d, c);
    // The shell compares its "FileVersion" string, so that changes as well;
    // the new text has the old one's length, so no block size moves.
    const std::wstring key = L"FileVersion";
    const size_t keyAt = resource.find(
        std::string(reinterpret_cast<const char*>(key.c_str()), (key.size() + 1) * 2));
    if (keyAt == std::string::npos)
        return false;
    const size_t valueAt = (keyAt + (key.size() + 1) * 2 + 3) & ~size_t{3};
    const std::wstring value = ToW(std::to_string(a) + "." + std::to_string(b) + "." +
                                   std::to_string(c) + "." + std::to_string(d));
    const size_t bytes = value.size() * 2;
    if (valueAt + bytes + 2 > resource.size() || resource[valueAt + bytes] != 0 ||
        resource[valueAt + bytes + 1] != 0)
        return false;
    resource.replace(valueAt, bytes, reinterpret_cast<const char*>(value.data()), bytes);
    HANDLE update = BeginUpdateResourceW(ToW(to).c_str(), FALSE);
    if (!update)
        return false;
    UpdateResourceW(update, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1), lang, resource.data(),
                    static_cast<DWORD>(resource.size()));
    return EndUpdateResourceW(update, FALSE) != FALSE;
}

}  // namespace lumo::test
