#include "frame/about_box_win.h"

#include <vector>

#include "common/text_win.h"

namespace lumo {

std::string FileVersionOf(const std::string& exePath) {
    std::wstring path = ToW(exePath);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info ||
        len < sizeof(VS_FIXEDFILEINFO))
        return {};
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

std::string AboutText(const std::string& version, const std::string& note) {
    std::string text =
        "Lumo网页游戏多开浏览器\r\n\r\n使用Internet Explorer 内核引擎技术构建\r\n版本 " +
        (version.empty() ? std::string("未知") : version);
    if (!note.empty())
        text += "\r\n" + note;
    return text;
}

bool AboutBox::Create(HWND owner, HICON icon, const std::string& version, const std::string& note) {
    owner_ = owner;
    FrameArgs a = DialogArgs(L"TfrmAbout", kAboutTitle, icon, owner, 326, 200);
    if (!CreateFrame(a))
        return false;
    SetWindowTextW(hwnd(), ToW("关于").c_str());
    memo_ = CreateWindowExW(0, L"EDIT", ToW(AboutText(version, note)).c_str(),
                            WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0, 10, 10,
                            hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SetControlName(memo_, L"Memo1");
    SetGuiFont(memo_, dpi());
    RECT rc;
    GetClientRect(hwnd(), &rc);
    OnFrameResize(rc.right, rc.bottom);
    return true;
}

void AboutBox::OnFrameResize(int width, int height) {
    if (memo_)
        MoveWindow(memo_, Px(16), Px(kTitleBarHeight + 16), width - Px(32),
                   height - Px(kTitleBarHeight + 24), TRUE);
}

void AboutBox::ShowModal() {
    RunModal(owner_, false);
}

LRESULT AboutBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            EndModal();
            ShowWindow(hwnd(), SW_HIDE);
            return 0;
        default:
            return FrameBase::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
