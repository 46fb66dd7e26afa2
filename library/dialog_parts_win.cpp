#include "library/dialog_parts_win.h"

#include "common/dpi_win.h"
#include "common/text_win.h"

namespace lumo {

namespace {

constexpr int kPanelHeight = 29;
constexpr int kButtonW = 81, kButtonH = 25;

}  // namespace

HWND MakeDialogControl(HWND parent, const wchar_t* cls, const std::string& text, DWORD style,
                       int id, const wchar_t* name, DWORD exStyle) {
    HWND h = CreateWindowExW(exStyle, cls, ToW(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0,
                             10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    SetControlName(h, name);
    SetGuiFont(h, DpiOf(parent));
    return h;
}

std::string ControlText(HWND control) {
    const int n = GetWindowTextLengthW(control);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    w.resize(static_cast<size_t>(GetWindowTextW(control, w.data(), n + 1)));
    return FromW(w);
}

bool OkCancelPanel::Create(HWND dialog) {
    if (!panel_.Create({dialog, L"pnlCommand"}))
        return false;
    // Tab goes on from the dialog's fields into the buttons on the panel.
    SetWindowLongW(panel_.hwnd(), GWL_EXSTYLE,
                   GetWindowLongW(panel_.hwnd(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    panel_.onPaint = [](HDC dc, const RECT& rc) {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        RECT line{rc.left, rc.top, rc.right, rc.top + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
    };
    ok_ = MakeDialogControl(panel_.hwnd(), L"BUTTON", "确定(&O)", WS_TABSTOP | BS_DEFPUSHBUTTON,
                            IDOK, L"sbtnOk");
    cancel_ =
        MakeDialogControl(panel_.hwnd(), L"BUTTON", "取消(&C)", WS_TABSTOP, IDCANCEL, L"sbtnCanel");
    return ok_ && cancel_;
}

void OkCancelPanel::Layout(int width, int height, int dpi) {
    if (!created())
        return;
    const int panelH = Scale(kPanelHeight, dpi);
    const int buttonW = Scale(kButtonW, dpi), buttonH = Scale(kButtonH, dpi);
    panel_.Move(0, height - panelH, width, panelH);
    const int top = (panelH - buttonH) / 2;
    MoveWindow(cancel_, width - buttonW - Scale(12, dpi), top, buttonW, buttonH, TRUE);
    MoveWindow(ok_, width - 2 * buttonW - Scale(20, dpi), top, buttonW, buttonH, TRUE);
}

}  // namespace lumo
