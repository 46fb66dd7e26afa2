#include "frame/add_game_dialog_win.h"

#include "common/text_win.h"

namespace lumo {

namespace {

constexpr UINT kShowModalMessage = WM_APP + 1;
constexpr int kCommandPanelHeight = 29;
constexpr int kIdOk = 1;

}  // namespace

HWND AddGameDialog::Label(const char* text, const wchar_t* name) {
    HWND h = CreateWindowExW(0, L"STATIC", ToW(text).c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                             hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    SetControlName(h, name);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return h;
}

bool AddGameDialog::Create(HWND owner, HICON icon, const Presets& presets) {
    owner_ = owner;
    presets_ = presets;
    RECT o{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner)
        GetWindowRect(owner, &o);
    FrameArgs a;
    a.className = L"TfrmAddGame";
    a.title = kAddGameTitle;
    a.icon = icon;
    a.owner = owner;
    a.width = 393;
    a.height = 225;
    a.x = o.left + (o.right - o.left - a.width) / 2;
    a.y = o.top + (o.bottom - o.top - a.height) / 2;
    a.resizable = false;
    a.maximizeEnabled = false;
    a.menuPanelWidth = 1;
    if (!CreateFrame(a))
        return false;
    descriptionLabel_ = Label("游戏描述:", L"lblGameDescript");
    addressLabel_ = Label("游戏地址:", L"lblUrl");
    note_ = Label(kAddGameLaterNote, L"lblNote");
    auto edit = [&](const std::string& text, const wchar_t* name) {
        HWND h = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", ToW(text).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY,
                                 0, 0, 10, 10, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
        SetControlName(h, name);
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
        return h;
    };
    description_ = edit(presets.description, L"edtGameDescript");
    address_ = edit(presets.address, L"edtUrl");
    ok_ = CreateWindowExW(0, L"BUTTON", ToW("确定(&O)").c_str(),
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 81, 25,
                          hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdOk)),
                          GetModuleHandleW(nullptr), nullptr);
    SetControlName(ok_, L"sbtnOk");
    SendMessageW(ok_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    RECT rc;
    GetClientRect(hwnd(), &rc);
    OnFrameResize(rc.right, rc.bottom);
    return true;
}

void AddGameDialog::OnFrameResize(int width, int height) {
    if (!ok_)
        return;
    int y = kTitleBarHeight + 18;
    MoveWindow(descriptionLabel_, 24, y + 4, 64, 16, TRUE);
    MoveWindow(description_, 90, y, 273, 22, TRUE);
    y += 34;
    MoveWindow(addressLabel_, 24, y + 4, 64, 16, TRUE);
    MoveWindow(address_, 90, y, 273, 22, TRUE);
    y += 38;
    MoveWindow(note_, 24, y, width - 48, 32, TRUE);
    MoveWindow(ok_, width - 81 - 16, height - kCommandPanelHeight + 2, 81, 25, TRUE);
}

void AddGameDialog::ShowModalLater() {
    PostMessageW(hwnd(), kShowModalMessage, 0, 0);
}

void AddGameDialog::ShowModal() {
    ShowWindow(hwnd(), SW_SHOW);
    SetFocus(ok_);
    RunModal(owner_, true);
}

LRESULT AddGameDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kShowModalMessage:
            ShowModal();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == kIdOk && HIWORD(wp) == BN_CLICKED) {
                PostMessageW(hwnd(), WM_CLOSE, 0, 0);
                return 0;
            }
            return FrameBase::HandleMessage(msg, wp, lp);
        case WM_CLOSE:
            EndModal();
            presets_.bill.assign(presets_.bill.size(), '\0');  // nothing stores it yet
            presets_.bill.clear();
            ShowWindow(hwnd(), SW_HIDE);
            return 0;
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(hwnd(), &rc);
            FillRect(reinterpret_cast<HDC>(wp), &rc, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            if (reinterpret_cast<HWND>(lp) == note_)
                SetTextColor(dc, RGB(0x60, 0x60, 0x60));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        default:
            return FrameBase::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
