// TfrmAbout: the skinned about box, 326 by 200, centred on its owner, with a
// read-only memo that names the program and its file version.
#pragma once

#include <string>

#include "frame/frame_base_win.h"

namespace lumo {

inline constexpr char kAboutTitle[] = "关于Lumo网页游戏多开器";

// "1.1.0.0" from the version resource of `exePath`; "" when there is none.
std::string FileVersionOf(const std::string& exePath);

// The memo's lines, joined with CRLF; `note`, when not empty, is a last
// line of its own.
std::string AboutText(const std::string& version, const std::string& note = {});

class AboutBox : public FrameBase {
  public:
    bool Create(HWND owner, HICON icon, const std::string& version, const std::string& note = {});
    // Shows the box modally: the owner is disabled until the box closes.
    void ShowModal();

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFrameResize(int width, int height) override;

  private:
    HWND owner_ = nullptr;
    HWND memo_ = nullptr;
};

}  // namespace lumo
