// TfrmAddGame: the skinned dialog that files a game into the game list, 393
// by 293, centred on its owner: the category (an editable combo fed with the
// game tree's categories on every drop-down), the description, the address,
// the proxy the game's page goes through (may stay empty), the tab colour (a
// fixed list, "无" first), and the bill, which is never shown. OK checks the
// fields in order, asks before making a new category and stores through
// AddGame.
#pragma once

#include <string>

#include "frame/frame_base_win.h"
#include "library/dialog_parts_win.h"
#include "library/game_list.h"

namespace lumo {

inline constexpr char kAddGameTitle[] = "添加游戏";
inline constexpr char kNoCategoryMessage[] = "请指定游戏分类";
inline constexpr char kNoDescriptionMessage[] = "请指定游戏描述";
inline constexpr char kNoAddressMessage[] = "请指定游戏地址";
inline constexpr char kNewCategoryQuestion[] = "游戏分类不存在,是否创建为新分类?";
inline constexpr char kBadProxyMessage[] =
    "代理格式不对：请填写 主机:端口（端口 1-65535），SOCKS 代理填写 socks=主机:端口，"
    "不用代理请留空。";

class AddGameDialog : public FrameBase {
  public:
    struct Presets {
        std::string category;     // PresetCategory
        std::string description;  // PresetDescription: the page's title
        std::string address;      // PresetAddress
        std::string bill;         // Bill: handed to AddGame unchanged
        std::string proxy;        // the proxy field's text
        std::string colour;       // "RRGGBB" or "" (none)
    };
    // `gameTree` (tvwMyGame) and `library` receive the game; either may be
    // null in a dialog that only shows (then OK stores nothing).
    bool Create(HWND owner, HICON icon, const Presets& presets, HWND gameTree,
                GameLibrary* library);
    // Shows the dialog modally once the current message has been handled, so
    // that a page sending its bill is not held in its send while it is open.
    void ShowModalLater();
    bool open() const { return hwnd() != nullptr; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnFrameResize(int width, int height) override;

  private:
    void ShowModal();
    void OnOk();
    void Close();
    HWND Label(const char* text, const wchar_t* name);
    HWND Child(const wchar_t* cls, const std::string& text, DWORD style, int id,
               const wchar_t* name, DWORD exStyle = 0);

    HWND owner_ = nullptr;
    HWND gameTree_ = nullptr;
    GameLibrary* library_ = nullptr;
    Presets presets_;
    OkCancelPanel commands_;
    HWND sortLabel_ = nullptr, descriptionLabel_ = nullptr, addressLabel_ = nullptr;
    HWND proxyLabel_ = nullptr, colourLabel_ = nullptr;
    HWND sort_ = nullptr, description_ = nullptr, address_ = nullptr, proxy_ = nullptr;
    HWND colour_ = nullptr;
};

}  // namespace lumo
