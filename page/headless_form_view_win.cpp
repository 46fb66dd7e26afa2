#include "page/headless_form_view_win.h"

#include <string>

#include "common/dpi_win.h"
#include "common/text_win.h"

namespace lumo {
namespace {

// Design sizes (96 DPI), scaled for the DPI of the page's main window.
constexpr int kLeft = 8;
constexpr int kLabelWidth = 100;
constexpr int kFieldWidth = 220;
constexpr int kRowHeight = 24;
constexpr int kRowGap = 6;
constexpr int kFirstId = 1000;

bool IsTextField(const std::string& type) {
    return type == "text" || type == "password" || type == "search" || type == "tel" ||
           type == "url" || type == "email" || type == "number";
}

bool IsButton(const std::string& type) {
    return type == "submit" || type == "button" || type == "reset" || type == "image";
}

std::string LabelOf(const html::Element& e) {
    for (const char* attr : {"title", "placeholder", "name", "id"})
        if (const std::string* v = e.Attr(attr); v && !v->empty())
            return *v;
    return "";
}

std::string CaptionOf(const html::Dom& dom, int index) {
    const html::Element& e = dom.elements[index];
    if (e.tag == "button" && !e.text.empty())
        return e.text;
    const std::string* alt = e.Attr("alt");
    if (dom.TypeOf(index) == "image" && alt && !alt->empty())
        return *alt;
    std::string value = dom.CurrentValue(index);
    if (!value.empty())
        return value;
    return dom.TypeOf(index) == "reset" ? "重置" : "提交";
}

// The edits' own procedure, kept in their user data while ours runs:
// Enter asks the parent to submit, Tab moves between the view's controls.
LRESULT CALLBACK FieldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_GETDLGCODE)
        return CallWindowProcW(original, hwnd, msg, wp, lp) | DLGC_WANTALLKEYS;
    if (msg == WM_KEYDOWN && wp == VK_RETURN) {
        const auto id = static_cast<WORD>(GetDlgCtrlID(hwnd));
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(id, kFieldEnterPressed),
                     reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    if (msg == WM_KEYDOWN && wp == VK_TAB) {
        const bool back = GetKeyState(VK_SHIFT) < 0;
        if (HWND next = GetNextDlgTabItem(GetParent(hwnd), hwnd, back))
            SetFocus(next);
        return 0;
    }
    if (msg == WM_CHAR && (wp == L'\r' || wp == L'\t'))
        return 0;  // no beep
    return CallWindowProcW(original, hwnd, msg, wp, lp);
}

std::string WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return FromW(text);
}

}  // namespace

void HeadlessFormView::Build(HWND parent, const html::Dom& dom, int top) {
    Clear();
    const HINSTANCE instance =
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    const int dpi = DpiOf(parent);
    const auto font = reinterpret_cast<WPARAM>(GuiFont(dpi));
    int y = top;
    auto add = [&](const wchar_t* cls, const std::string& text, DWORD style, int x, int width,
                   int element, bool edit) {
        const int id = kFirstId + static_cast<int>(controls_.size());
        HWND h = CreateWindowExW(
            edit ? WS_EX_CLIENTEDGE : 0, cls, ToW(text).c_str(), WS_CHILD | WS_VISIBLE | style,
            Scale(x, dpi), Scale(y, dpi), Scale(width, dpi), Scale(kRowHeight, dpi), parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (!h)
            return;
        SendMessageW(h, WM_SETFONT, font, FALSE);
        if (edit)
            SetWindowLongPtrW(
                h, GWLP_USERDATA,
                SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FieldProc)));
        controls_.push_back({h, element, edit});
    };
    for (int form : dom.forms) {
        for (int index : dom.elements[form].controls) {
            const html::Element& e = dom.elements[index];
            const std::string type = dom.TypeOf(index);
            if (e.tag == "input" && IsTextField(type)) {
                add(L"STATIC", LabelOf(e), SS_NOPREFIX | SS_CENTERIMAGE, kLeft, kLabelWidth, -1,
                    false);
                DWORD style = WS_TABSTOP | ES_AUTOHSCROLL | (type == "password" ? ES_PASSWORD : 0);
                add(L"EDIT", dom.CurrentValue(index), style, kLeft + kLabelWidth, kFieldWidth,
                    index, true);
            } else if (IsButton(type)) {
                add(L"BUTTON", CaptionOf(dom, index), WS_TABSTOP | BS_PUSHBUTTON,
                    kLeft + kLabelWidth, kFieldWidth / 2, index, false);
            } else {
                continue;
            }
            y += kRowHeight + kRowGap;
        }
    }
}

void HeadlessFormView::Clear() {
    for (const Control& c : controls_) DestroyWindow(c.hwnd);
    controls_.clear();
    focused_ = nullptr;
}

void HeadlessFormView::ReadInto(html::Dom& dom) const {
    for (const Control& c : controls_)
        if (c.edit && c.element >= 0 && c.element < static_cast<int>(dom.elements.size()))
            dom.SetAttribute(c.element, "value", WindowText(c.hwnd));
}

void HeadlessFormView::ShowValue(const html::Dom& dom, int index) {
    for (const Control& c : controls_)
        if (c.edit && c.element == index)
            SetWindowTextW(c.hwnd, ToW(dom.CurrentValue(index)).c_str());
}

int HeadlessFormView::ElementOf(HWND control) const {
    for (const Control& c : controls_)
        if (c.element >= 0 && c.hwnd == control)
            return c.element;
    return -1;
}

void HeadlessFormView::NoteFocus(HWND control) {
    for (const Control& c : controls_)
        if (c.edit && c.hwnd == control)
            focused_ = control;
}

bool HeadlessFormView::Focus() {
    HWND target = focused_;
    for (const Control& c : controls_)
        if (!target && c.edit)
            target = c.hwnd;
    if (!target)
        return false;
    SetFocus(target);
    return true;
}

}  // namespace lumo
