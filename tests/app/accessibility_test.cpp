// The drawn controls of a real shell as a screen reader in another process
// sees them: MSAA objects from WM_GETOBJECT with names, roles, states and
// places, whose default actions do what a click does, and which fail cleanly
// once their window is gone.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/handle_win.h"
#include "tests/app/lumo_shell.h"
#include "tests/support/remote_tree_win.h"

using namespace lumo;
using namespace lumo::test;

namespace {

struct Acc {
    IAccessible* p = nullptr;
    Acc() = default;
    explicit Acc(HWND h) {
        if (h)
            AccessibleObjectFromWindow(h, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&p));
    }
    Acc(const Acc&) = delete;
    Acc& operator=(const Acc&) = delete;
    ~Acc() {
        if (p)
            p->Release();
    }
};

VARIANT Child(long id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* a,
                 long id) {
    BSTR b = nullptr;
    std::string s = SUCCEEDED((a->*get)(Child(id), &b)) && b ? FromW(b) : "";
    SysFreeString(b);
    return s;
}
std::string Name(IAccessible* a, long id) {
    return Text(&IAccessible::get_accName, a, id);
}
long Long(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible* a,
          long id) {
    VARIANT v;
    VariantInit(&v);
    return SUCCEEDED((a->*get)(Child(id), &v)) && v.vt == VT_I4 ? v.lVal : -1;
}
long Role(IAccessible* a, long id) {
    return Long(&IAccessible::get_accRole, a, id);
}
long State(IAccessible* a, long id) {
    return Long(&IAccessible::get_accState, a, id);
}

// Names of the children, as AccessibleChildren lists them (simple elements).
std::vector<std::string> ChildNames(IAccessible* a, long role) {
    long count = 0;
    a->get_accChildCount(&count);
    std::vector<VARIANT> kids(static_cast<size_t>(count));
    long got = 0;
    std::vector<std::string> names;
    if (count == 0 || FAILED(AccessibleChildren(a, 0, count, kids.data(), &got)))
        return names;
    for (long i = 0; i < got; ++i) {
        if (kids[static_cast<size_t>(i)].vt != VT_I4) {
            VariantClear(&kids[static_cast<size_t>(i)]);
            names.push_back("<not a simple element>");
            continue;
        }
        long id = kids[static_cast<size_t>(i)].lVal;
        names.push_back(Role(a, id) == role ? Name(a, id)
                                            : "<role " + std::to_string(Role(a, id)) + ">");
    }
    return names;
}

long ChildNamed(IAccessible* a, const std::string& name) {
    long count = 0;
    a->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id)
        if (Name(a, id) == name)
            return id;
    return 0;
}

HWND focusEventWindow = nullptr;
LONG focusEventChild = 0;

void CALLBACK OnFocusEvent(HWINEVENTHOOK, DWORD, HWND h, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT) {
        focusEventWindow = h;
        focusEventChild = child;
    }
}

HWND ShownWindow(const wchar_t* cls) {
    for (HWND h = FindWindowExW(nullptr, nullptr, cls, nullptr); h;
         h = FindWindowExW(nullptr, h, cls, nullptr))
        if (IsWindowVisible(h))
            return h;
    return nullptr;
}

}  // namespace

TEST(Accessibility, DrawnControlsHaveNamesRolesStatesAndActionsForOtherProcesses) {
    OleScope ole;
    Shell shell("a11y");
    ASSERT_TRUE(shell.Start());

    // The navigation buttons: push buttons named by their hints, placed on
    // the bar, found again by hit testing.
    Acc nav(shell.Control(L"ToolBarButton"));
    ASSERT_TRUE(nav.p) << "no accessible object for the button bar";
    EXPECT_EQ(Role(nav.p, CHILDID_SELF), ROLE_SYSTEM_TOOLBAR);
    EXPECT_EQ(ChildNames(nav.p, ROLE_SYSTEM_PUSHBUTTON),
              (std::vector<std::string>{"后退", "前进", "停止", "刷新", "主页", "保存游戏"}));
    RECT bar{};
    GetWindowRect(shell.Control(L"ToolBarButton"), &bar);
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(nav.p->accLocation(&x, &y, &w, &h, Child(6)), S_OK);
    EXPECT_TRUE(x >= bar.left && x + w <= bar.right && y >= bar.top && w > 0 && h > 0)
        << x << "," << y << " " << w << "x" << h;
    VARIANT hit;
    VariantInit(&hit);
    ASSERT_EQ(nav.p->accHitTest(x + w / 2, y + h / 2, &hit), S_OK);
    EXPECT_TRUE(hit.vt == VT_I4 && hit.lVal == 6);
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, nav.p, 6), "按下");

    // The title bar: menu items with their Alt letters, the caption buttons.
    Acc menu(shell.Control(L"ToolBarMenu2"));
    ASSERT_TRUE(menu.p);
    EXPECT_EQ(Role(menu.p, CHILDID_SELF), ROLE_SYSTEM_MENUBAR);
    EXPECT_EQ(ChildNames(menu.p, ROLE_SYSTEM_MENUITEM),
              (std::vector<std::string>{"文件", "查看", "工具", "帮助"}));
    EXPECT_EQ(Text(&IAccessible::get_accKeyboardShortcut, menu.p, 1), "Alt+F");
    EXPECT_TRUE(State(menu.p, 4) & STATE_SYSTEM_HASPOPUP);
    Acc caption(shell.Control(L"ToolBarControl"));
    ASSERT_TRUE(caption.p);
    std::vector<std::string> buttons = ChildNames(caption.p, ROLE_SYSTEM_PUSHBUTTON);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0], "最小化");
    EXPECT_EQ(buttons[1], IsZoomed(shell.main()) ? "还原" : "最大化");
    EXPECT_EQ(buttons[2], "关闭");

    // The new-tab button's action opens a tab; the tabs are page tabs named
    // by their titles, the current one selected; a tab's action makes it
    // current.
    Acc newTab(shell.Control(L"tbrNewTab"));
    ASSERT_TRUE(newTab.p);
    EXPECT_EQ(newTab.p->accDoDefaultAction(Child(1)), S_OK);
    ASSERT_TRUE(shell.WaitForPages(2));
    Acc tabs(shell.Control(L"ToolBarTabParent"));
    ASSERT_TRUE(tabs.p);
    EXPECT_EQ(Role(tabs.p, CHILDID_SELF), ROLE_SYSTEM_PAGETABLIST);
    std::vector<std::string> titles = ChildNames(tabs.p, ROLE_SYSTEM_PAGETAB);
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles, ReadToolbarTexts(shell.Control(L"ToolBarTabParent")));
    ASSERT_TRUE(WaitFor([&] { return (State(tabs.p, 2) & STATE_SYSTEM_SELECTED) != 0; }, 5000));
    EXPECT_FALSE(State(tabs.p, 1) & STATE_SYSTEM_SELECTED);
    HWND second = shell.VisiblePage();
    EXPECT_EQ(tabs.p->accDoDefaultAction(Child(1)), S_OK);
    EXPECT_TRUE(WaitFor([&] { return (State(tabs.p, 1) & STATE_SYSTEM_SELECTED) != 0; }, 5000));
    EXPECT_FALSE(State(tabs.p, 2) & STATE_SYSTEM_SELECTED);
    EXPECT_TRUE(WaitFor([&] { return shell.VisiblePage() && shell.VisiblePage() != second; }, 5000))
        << "the first tab's page is not shown";
    // Taking the focus onto the strip tells listeners in other processes
    // which tab the keyboard is on.
    focusEventWindow = nullptr;
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocusEvent,
                        Shell::PidOf(shell.main()), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    EXPECT_EQ(tabs.p->accSelect(SELFLAG_TAKEFOCUS, Child(1)), S_OK);
    EXPECT_TRUE(WaitFor(
        [&] {
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
            return focusEventWindow == shell.Control(L"ToolBarTabParent") && focusEventChild == 1;
        },
        5000))
        << "no focus event for the first tab";
    UnhookWinEvent(hook);
    VARIANT focused;
    VariantInit(&focused);
    EXPECT_EQ(tabs.p->get_accFocus(&focused), S_OK);
    EXPECT_TRUE(focused.vt == VT_I4 && focused.lVal == 1);
    EXPECT_TRUE(State(tabs.p, 1) & STATE_SYSTEM_FOCUSED);
    VARIANT selection;
    VariantInit(&selection);
    EXPECT_EQ(tabs.p->get_accSelection(&selection), S_OK);
    EXPECT_TRUE(selection.vt == VT_I4 && selection.lVal == 1);

    // The side panel's headers: buttons that expand their section.
    Acc myGames(shell.Control(L"tbarMyGame"));
    ASSERT_TRUE(myGames.p);
    EXPECT_EQ(Name(myGames.p, CHILDID_SELF), "我添加的游戏");
    EXPECT_EQ(Role(myGames.p, CHILDID_SELF), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_TRUE(State(myGames.p, CHILDID_SELF) & STATE_SYSTEM_COLLAPSED);
    EXPECT_EQ(myGames.p->accDoDefaultAction(Child(CHILDID_SELF)), S_OK);
    EXPECT_TRUE(
        WaitFor([&] { return IsWindowVisible(shell.Control(L"tvwMyGame")) != FALSE; }, 5000));
    EXPECT_TRUE(State(myGames.p, CHILDID_SELF) & STATE_SYSTEM_EXPANDED);

    // 保存游戏 opens the add-game dialog (the page answers with its form).
    EXPECT_EQ(nav.p->accDoDefaultAction(Child(ChildNamed(nav.p, "保存游戏"))), S_OK);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dialog = ShownWindow(L"TfrmAddGame")) != nullptr; }, 15000))
        << "no add-game dialog";

    // The dialog's own close button, through its object; the object kept
    // after the window went answers, but only that it is cut loose.
    Acc dialogCaption(FindControl(dialog, L"ToolBarControl"));
    ASSERT_TRUE(dialogCaption.p);
    long close = ChildNamed(dialogCaption.p, "关闭");
    ASSERT_GT(close, 0);
    EXPECT_EQ(dialogCaption.p->accDoDefaultAction(Child(close)), S_OK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 10000)) << "the dialog stays";
    BSTR gone = nullptr;
    HRESULT hr = dialogCaption.p->get_accName(Child(close), &gone);
    EXPECT_TRUE(hr == RPC_E_DISCONNECTED || hr == CO_E_OBJNOTCONNECTED) << std::hex << hr;
    EXPECT_EQ(gone, nullptr);
    EXPECT_TRUE(shell.Responsive());
}
