// What screen readers and automation see of the drawn controls: a control
// describes itself and its parts (AccessibleSource), and its AccessibleHost
// answers WM_GETOBJECT with an MSAA object (IAccessible, which UI Automation
// also reads) whose children are the parts as simple elements (child ids
// 1..n). The object asks the source on every call, so names, states and
// places are always those of the moment; it is cut loose when the window
// goes, after which every call fails with CO_E_OBJNOTCONNECTED.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

namespace lumo {

struct AccessibleItem {
    std::string name;
    long role = ROLE_SYSTEM_PUSHBUTTON;
    long state = 0;  // STATE_SYSTEM_*; the host adds focused, invisible and unavailable
    RECT rect{};     // of a part: in the window's client area; the window's own is its client area
    std::string action;    // the default action's name; empty when there is none
    std::string shortcut;  // a keyboard shortcut such as "Alt+F"
};

// Answers on the window's thread.
class AccessibleSource {
  public:
    virtual AccessibleItem AccessibleSelf() = 0;
    virtual int AccessibleCount() { return 0; }
    virtual AccessibleItem AccessiblePart(int /*index*/) { return {}; }
    // Carries out the default action of part `index` (-1: the window
    // itself). Runs from the window's queue after the calling client has
    // its answer, so it may open menus and dialogs.
    virtual void AccessibleDoDefault(int /*index*/) {}
    // The part that has the keyboard while the window has the focus; -1 for
    // the window itself.
    virtual int AccessibleFocusedPart() { return -1; }

  protected:
    ~AccessibleSource() = default;
};

class AccessibleObject;

// Belongs to the control's window; lives no longer than its source.
class AccessibleHost {
  public:
    explicit AccessibleHost(AccessibleSource& source) : source_(source) {}
    ~AccessibleHost() { Disconnect(); }
    AccessibleHost(const AccessibleHost&) = delete;
    AccessibleHost& operator=(const AccessibleHost&) = delete;

    // Call first from the window procedure: WM_GETOBJECT, the deferred
    // default action and WM_DESTROY. True when the message was handled
    // (its result in `result`).
    bool HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Clients that still hold the object get CO_E_OBJNOTCONNECTED (in this
    // process) or RPC_E_DISCONNECTED (in another) from now on.
    void Disconnect();

    // Tells listeners (screen readers) that the keyboard is now on part
    // `index` (-1: the window itself) of `hwnd`.
    static void NotifyFocus(HWND hwnd, int index);
    // The state or name of part `index` (-1: the window itself) changed.
    static void NotifyChange(HWND hwnd, int index, bool nameToo = false);

  private:
    AccessibleSource& source_;
    AccessibleObject* object_ = nullptr;  // one reference held while connected
};

// The registered message that carries a deferred default action.
UINT AccessibleActionMessage();

}  // namespace lumo
