// Base of every window of ours: registers a window class once, creates the
// window with `this` passed through CreateWindowEx and stores it at
// WM_NCCREATE, and routes messages to the virtual HandleMessage inside the
// error guard, so no exception ever leaves a window procedure.
#pragma once

#include <windows.h>

#include <string>

namespace lumo {

struct WindowCreateArgs {
    const wchar_t* className = nullptr;
    std::wstring caption;
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    HWND parent = nullptr;
    HMENU menuOrId = nullptr;
    HICON icon = nullptr;
    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    UINT classStyle = CS_HREDRAW | CS_VREDRAW;
};

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const { return hwnd_; }

    // The Window object of a window of ours, or null.
    static Window* FromHwnd(HWND hwnd);

  protected:
    // Registers the class (first call per class name) and creates the window.
    bool CreateWindowFrom(const WindowCreateArgs& args);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called after WM_NCDESTROY; the handle is no longer valid.
    virtual void OnDestroyed() {}

  private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

// Controls carry their design names (ToolBarTabParent, PanelWBMain, ...) as a
// window property holding a global atom, so that tests and tools in other
// processes can find them by name.
void SetControlName(HWND hwnd, const wchar_t* name);
std::wstring ControlName(HWND hwnd);
// The first descendant of `root` (or root itself) with that name.
HWND FindControl(HWND root, const wchar_t* name);

// The first enabled top-level window of process `pid` with the given class
// name, in the system's window order; null when there is none.
HWND FindEnabledProcessWindow(DWORD pid, const wchar_t* className);

// A window without behaviour of its own: forms that are created at start-up
// and kept hidden until their features fill them in.
class PlainWindow : public Window {
  public:
    bool Create(const WindowCreateArgs& args) { return CreateWindowFrom(args); }
};

}  // namespace lumo
