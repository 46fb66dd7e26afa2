// TfrmProxy: the skinned dialog that changes the proxy of a saved game (the
// game tree's "设置代理…"): one field with the game's proxy, checked on OK
// and stored through GameLibrary::SetProxy; an empty field means none.
#pragma once

#include <string>

#include "frame/frame_base_win.h"
#include "library/dialog_parts_win.h"
#include "library/game_list.h"

namespace lumo {

inline constexpr char kProxyDialogTitle[] = "设置代理";

class ProxyDialog : public FrameBase {
  public:
    // `game` must stay in `library` while the dialog is open (it is modal).
    bool Create(HWND owner, HICON icon, GameLibrary& library, const TGameline& game);
    // Shows the dialog modally once the current message has been handled.
    void ShowModalLater();
    bool open() const { return hwnd() != nullptr; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFrameResize(int width, int height) override;

  private:
    void OnOk();
    void Close();

    HWND owner_ = nullptr;
    GameLibrary* library_ = nullptr;
    const TGameline* game_ = nullptr;
    OkCancelPanel commands_;
    HWND label_ = nullptr, hint_ = nullptr, proxy_ = nullptr;
};

}  // namespace lumo
