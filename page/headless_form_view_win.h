// The headless engine's visible forms: its pages' text and password fields
// as real EDIT controls and their buttons as BUTTON controls, one per row
// inside the engine's window, so that a player can type a login and the
// document sees what was typed.
#pragma once

#include <windows.h>

#include <vector>

#include "page/html_dom.h"

namespace lumo {

// The notification code of the WM_COMMAND an edit of the view sends its
// parent when Enter is pressed in it (the form is to be submitted).
inline constexpr WORD kFieldEnterPressed = 0x4E00;

class HeadlessFormView {
  public:
    HeadlessFormView() = default;
    HeadlessFormView(const HeadlessFormView&) = delete;
    HeadlessFormView& operator=(const HeadlessFormView&) = delete;
    ~HeadlessFormView() { Clear(); }

    // Replaces the controls by those of the forms of `dom`, laid out from
    // `top` down in `parent` (design sizes, scaled for the DPI of the
    // main window the page is in), showing the DOM's current values.
    void Build(HWND parent, const html::Dom& dom, int top);
    void Clear();

    // Copies what was typed into the DOM's current values.
    void ReadInto(html::Dom& dom) const;
    // Shows the DOM's current value of element `index` in its edit, if any.
    void ShowValue(const html::Dom& dom, int index);

    // The element a button or edit control stands for; -1 when it is none
    // of ours.
    int ElementOf(HWND control) const;
    // An edit of ours took the focus: it gets it back on Focus().
    void NoteFocus(HWND control);
    // The focus to the last focused edit (else the first); false when the
    // page shows no edit.
    bool Focus();

  private:
    struct Control {
        HWND hwnd;
        int element;  // -1 for a label
        bool edit;
    };
    std::vector<Control> controls_;  // owned
    HWND focused_ = nullptr;
};

}  // namespace lumo
