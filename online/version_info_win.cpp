#include "online/version_info_win.h"

#include <string_view>
#include <utility>
#include <vector>

#include "common/text_win.h"

namespace lumo {

TVersion TVersion::Read(const std::string& exePath) {
    TVersion v;
    std::wstring path = ToW(exePath);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return v;
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return v;
    v.found = true;
    const std::pair<const wchar_t*, std::string TVersion::*> keys[] = {
        {L"companyname", &TVersion::CompanyName},
        {L"filedescription", &TVersion::FileDescription},
        {L"fileversion", &TVersion::FileVersion},
        {L"internalname", &TVersion::InternalName},
        {L"legalcopyright", &TVersion::LegalCopyright},
        {L"legaltrademarks", &TVersion::LegalTrademarks},
        {L"originalfilename", &TVersion::OriginalFilename},
        {L"productname", &TVersion::ProductName},
        {L"productversion", &TVersion::ProductVersion},
    };
    for (const auto& [key, field] : keys) {
        std::wstring sub = std::wstring(L"\\stringfileinfo\\080403a8\\") + key;
        wchar_t* text = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block.data(), sub.c_str(), reinterpret_cast<void**>(&text), &length) &&
            text && length > 0) {
            // The length counts the terminator; a value may also end early.
            std::wstring_view value(text, length);
            v.*field = FromW(value.substr(0, value.find(L'\0')));
        }
    }
    return v;
}

void ShowVersionReadError(HWND owner) {
    MessageBoxW(owner,
                ToW("获取产品信息时遇到致命错误，请尝试重新启动软件。\r"
                    "若仍未能解决问题，请联系产品服务人员。")
                    .c_str(),
                L"错误", MB_OK | MB_ICONERROR);
}

}  // namespace lumo
