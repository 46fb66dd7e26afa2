// TfrmAddGame: the skinned dialog that files a game, 393 by 225, centred on
// its owner. Until the game library exists it shows what would be saved (the
// page's title and address) with a note, and stores nothing. The bill is kept
// in memory only while the dialog is open.
#pragma once

#include <string>

#include "frame/frame_base_win.h"

namespace lumo {

inline constexpr char kAddGameTitle[] = "添加游戏";
inline constexpr char kAddGameLaterNote[] = "保存游戏将随游戏库一起推出，敬请期待。";

class AddGameDialog : public FrameBase {
  public:
    struct Presets {
        std::string description;  // the page's title
        std::string address;
        std::string bill;
    };
    bool Create(HWND owner, HICON icon, const Presets& presets);
    // Shows the dialog modally once the current message has been handled, so
    // that a page sending its bill is not held in its send while it is open.
    void ShowModalLater();
    bool open() const { return hwnd() != nullptr; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFrameResize(int width, int height) override;

  private:
    void ShowModal();
    HWND Label(const char* text, const wchar_t* name);

    HWND owner_ = nullptr;
    Presets presets_;
    HWND descriptionLabel_ = nullptr, addressLabel_ = nullptr, note_ = nullptr;
    HWND description_ = nullptr, address_ = nullptr, ok_ = nullptr;
};

}  // namespace lumo
