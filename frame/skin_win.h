// The skin pictures of the owner-drawn windows, loaded once from the
// program's resources (frame/skin/skin.rc) and kept until the process ends.
// Each DPI gets its own set, scaled from the 96-DPI pictures once (sharp at
// 200 %, filtered at 125 and 150 %, keyed edges kept clean), so a window
// draws with Skin::Get(its DPI) at design sizes times its scale.
// A picture that is missing (a test program without the resources) is null,
// and every drawing helper then draws nothing.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "common/dpi.h"
#include "frame/skin/skin_ids.h"

namespace lumo {

class Skin {
  public:
    // The pictures for `dpi`; made on first use of that DPI.
    static const Skin& Get(int dpi = kDesignDpi);
    ~Skin();
    Skin(const Skin&) = delete;
    Skin& operator=(const Skin&) = delete;

    int dpi() const { return dpi_; }
    // A design size (a picture column, an offset) in this skin's pixels.
    int Px(int design) const { return Scale(design, dpi_); }
    HBITMAP Picture(int id) const;   // a single picture (IDB_IMAGE_*)
    HIMAGELIST List(int id) const;   // an image list (IDB_IMAGE_LIST*, IDB_IL_TREE)
    SIZE PictureSize(int id) const;  // in pixels at this DPI; {0, 0} when missing

  private:
    friend struct std::default_delete<Skin>;
    explicit Skin(int dpi);
    void Load();
    void ScaleFrom(const Skin& design);
    int dpi_;
    static constexpr int kFirstId = IDB_IMAGE_TITLE_BAR;
    static constexpr int kLastId = IDB_IMAGE_LIST_LEFT_PANEL_BUTTON_NORMAL;
    static constexpr int kCount = kLastId - kFirstId + 1;
    HBITMAP pictures_[kCount] = {};
    HIMAGELIST lists_[kCount] = {};
};

// Stretches the whole picture over `dst`.
void StretchPicture(HDC dc, HBITMAP picture, const RECT& dst);
// Copies columns [srcLeft, srcLeft + srcWidth) of the picture, all rows,
// stretched onto `dst`; `key` (a COLORREF) is transparent unless CLR_NONE.
void DrawPictureColumns(HDC dc, HBITMAP picture, int srcLeft, int srcWidth, const RECT& dst,
                        COLORREF key = CLR_NONE);
// Draws image `index` of an image list at (x, y), transparently.
// `faded`: half blended into white, the look of a disabled button.
void DrawListImage(HDC dc, HIMAGELIST list, int index, int x, int y, bool faded = false);

// Paints into an off-screen bitmap and copies it to the window in one go,
// so nothing flickers.
class BufferedPaint {
  public:
    BufferedPaint(HDC target, const RECT& area);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    HDC dc() const { return mem_ ? mem_ : target_; }

  private:
    HDC target_;
    RECT area_;
    HDC mem_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

}  // namespace lumo
