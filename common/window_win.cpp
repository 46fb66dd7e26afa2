#include "common/window_win.h"

#include "common/guard.h"

namespace lumo {

Window::~Window() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

Window* Window::FromHwnd(HWND hwnd) {
    return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool Window::CreateWindowFrom(const WindowCreateArgs& args) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(inst, args.className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.style = args.classStyle;
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = inst;
        wc.hIcon = args.icon;
        wc.hIconSm = args.icon;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = args.background;
        wc.lpszClassName = args.className;
        if (!RegisterClassExW(&wc))
            return false;
    }
    HWND h =
        CreateWindowExW(args.exStyle, args.className, args.caption.c_str(), args.style, args.x,
                        args.y, args.width, args.height, args.parent, args.menuOrId, inst, this);
    return h != nullptr;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = FromHwnd(hwnd);
    }
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT r = GuardedOr<LRESULT>(0, [&] { return self->HandleMessage(msg, wp, lp); });
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return r;
}

namespace {
constexpr wchar_t kNameProp[] = L"LumoControlName";

struct FindByName {
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK MatchName(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<FindByName*>(lp);
    if (ControlName(h) == f->name) {
        f->found = h;
        return FALSE;
    }
    return TRUE;
}
struct FindInProcess {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<FindInProcess*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    wchar_t cls[64];
    if (owner == f->pid && IsWindowEnabled(h) && GetClassNameW(h, cls, 64) &&
        wcscmp(cls, f->cls) == 0) {
        f->found = h;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindEnabledProcessWindow(DWORD pid, const wchar_t* className) {
    if (pid == 0)
        return nullptr;
    FindInProcess f{pid, className, nullptr};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

void SetControlName(HWND hwnd, const wchar_t* name) {
    if (ATOM atom = GlobalAddAtomW(name))
        SetPropW(hwnd, kNameProp, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(atom)));
}

std::wstring ControlName(HWND hwnd) {
    auto atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(GetPropW(hwnd, kNameProp)));
    if (!atom)
        return {};
    wchar_t buf[128];
    UINT n = GlobalGetAtomNameW(atom, buf, 128);
    return std::wstring(buf, n);
}

HWND FindControl(HWND root, const wchar_t* name) {
    if (ControlName(root) == name)
        return root;
    FindByName f{name, nullptr};
    EnumChildWindows(root, MatchName, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

}  // namespace lumo
