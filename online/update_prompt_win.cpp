#include "online/update_prompt_win.h"

#include "common/dpi_win.h"
#include "common/guard.h"
#include "common/text.h"
#include "common/text_win.h"

namespace lumo {

namespace {

// Design sizes (96 DPI), scaled for the DPI of the owner's monitor.
constexpr int kClientWidth = 300;
constexpr int kClientHeight = 233;
constexpr int kPanelHeight = 33;
constexpr COLORREF kWhite = RGB(255, 255, 255);

HWND MakeControl(const wchar_t* cls, const char* text, DWORD style, int x, int y, int w, int h,
                 HWND parent, int id, const wchar_t* name, HFONT font) {
    const int dpi = DpiOf(parent);
    HWND c = CreateWindowExW(0, cls, ToW(text).c_str(), WS_CHILD | WS_VISIBLE | style,
                             Scale(x, dpi), Scale(y, dpi), Scale(w, dpi), Scale(h, dpi), parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    if (c) {
        SetControlName(c, name);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return c;
}

}  // namespace

// Panel1 hands its buttons' clicks and colours to the form.
class UpdatePrompt::Panel : public Window {
  public:
    bool Create(HWND parent, int dpi) {
        WindowCreateArgs w;
        w.className = L"LumoUpdatePanel";
        w.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        w.exStyle = WS_EX_CONTROLPARENT;
        w.x = 0;
        w.y = Scale(kClientHeight - kPanelHeight, dpi);
        w.width = Scale(kClientWidth, dpi);
        w.height = Scale(kPanelHeight, dpi);
        w.parent = parent;
        w.background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        return CreateWindowFrom(w);
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_COMMAND || msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORSTATIC)
            return SendMessageW(GetParent(hwnd()), msg, wp, lp);
        return Window::HandleMessage(msg, wp, lp);
    }
};

UpdatePrompt::UpdatePrompt() = default;

UpdatePrompt::~UpdatePrompt() {
    page_.reset();  // the browser goes before its parent window
}

bool UpdatePrompt::Create(HWND owner, const CreateArgs& args) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    const int dpi = DpiOf(owner);
    RECT frame{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;

    white_.reset(CreateSolidBrush(kWhite));
    font_ = MakeFont(-12, dpi, ToW("宋体").c_str(), FW_NORMAL, GB2312_CHARSET);
    WindowCreateArgs w;
    w.className = L"TfrmUpdate";
    w.caption = ToW("升级提示");
    w.style = style;
    w.exStyle = exStyle;
    w.x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    w.y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    w.width = width;
    w.height = height;
    w.parent = owner;
    w.background = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    if (!CreateWindowFrom(w))
        return false;

    HFONT font = font_.get();
    MakeControl(L"STATIC", "检测到新版本,是否开始启动升级?", SS_LEFT, 19, 16, 265, 169, hwnd(), 0,
                L"Label1", font);
    panel_ = std::make_unique<Panel>();
    if (panel_->Create(hwnd(), dpi)) {
        SetControlName(panel_->hwnd(), L"Panel1");
        MakeControl(L"BUTTON", "确定(&O)", BS_DEFPUSHBUTTON | WS_TABSTOP, 136, 4, 75, 25,
                    panel_->hwnd(), IDOK, L"sbtnOk", font);
        MakeControl(L"BUTTON", "取消(&C)", BS_PUSHBUTTON | WS_TABSTOP, 216, 4, 75, 25,
                    panel_->hwnd(), IDCANCEL, L"sbtnCancel", font);
    }
    // EmbeddedWB1 covers the question when the maker announces a page.
    if (!Trim(args.announcementPage).empty() && args.showPage) {
        const RECT bounds = Scale(RECT{-8, -16, -8 + 313, -16 + 217}, dpi);
        Guarded([&] { page_ = args.showPage(hwnd(), bounds, args.announcementPage); });
    }
    return true;
}

void UpdatePrompt::Finish(Result r) {
    result_ = r;
    done_ = true;
}

UpdatePrompt::Result UpdatePrompt::ShowModal(HWND owner, const CreateArgs& args) {
    result_ = Result::Cancel;
    done_ = false;
    if (!Create(owner, args))
        return Result::Cancel;
    if (owner)
        EnableWindow(owner, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    if (HWND ok = FindControl(hwnd(), L"sbtnOk"))
        SetFocus(ok);
    MSG msg{};
    bool quit = false;
    while (!done_ && hwnd()) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        // Tab, Enter (OK), Esc (Cancel) and the buttons' access keys.
        if (hwnd() && IsDialogMessageW(hwnd(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (quit)
        PostQuitMessage(static_cast<int>(msg.wParam));  // the main loop ends as asked
    if (owner && IsWindow(owner)) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
    }
    page_.reset();
    if (hwnd())
        DestroyWindow(hwnd());
    return quit ? Result::Cancel : result_;
}

LRESULT UpdatePrompt::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                Finish(LOWORD(wp) == IDOK ? Result::Ok : Result::Cancel);
                return 0;
            }
            break;
        case WM_CLOSE:
            Finish(Result::Cancel);
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            SetBkColor(reinterpret_cast<HDC>(wp), kWhite);
            return reinterpret_cast<LRESULT>(white_.get());
    }
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace lumo
