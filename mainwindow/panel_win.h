// A plain panel: a child window with a background colour and, optionally,
// a one-line text (the status panels). The skinned painting of the painted
// panels comes with the skinned frame.
#pragma once

#include <string>

#include "common/window_win.h"

namespace lumo {

class Panel : public Window {
  public:
    struct CreateArgs {
        HWND parent = nullptr;
        const wchar_t* className = L"TPanel";  // or L"TPaintPanel"
        const wchar_t* name = L"";
        COLORREF color = GetSysColor(COLOR_BTNFACE);
        bool clipChildren = true;
    };
    bool Create(const CreateArgs& args);

    void SetText(const std::string& utf8);
    std::string text() const { return text_; }
    void Move(int x, int y, int w, int h) { MoveWindow(hwnd(), x, y, w, h, TRUE); }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    COLORREF color_ = 0;
    std::string text_;
};

}  // namespace lumo
