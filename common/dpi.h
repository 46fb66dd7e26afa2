// Sizes for the screen's pixel density. Every size, margin and font in the
// code is a design size at 96 dots per inch; Scale turns it into pixels for
// the DPI of the monitor its window is on. ScalePixels makes the skin's
// pictures for a DPI. The Windows half (the DPI of a window, scaled fonts)
// is dpi_win.h.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace lumo {

inline constexpr int kDesignDpi = 96;

// `value` designed at 96 DPI, in pixels at `dpi`: value * dpi / 96, rounded
// half away from zero, as MulDiv does.
int Scale(int value, int dpi);
// The inverse: the design size of `pixels` at `dpi`.
int Unscale(int pixels, int dpi);

// A picture as 32-bit pixels 0x00RRGGBB, rows top down.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;
};

// `src` scaled to width x height. A whole-number factor repeats every pixel
// (edges stay sharp at 200 %); other factors blend the four nearest source
// pixels (bilinear). With a `key` colour (the transparent colour of a
// keyed picture) a pixel whose nearest source pixel is the key stays the
// key, and key pixels never blend into the others, so no fringe appears.
Pixels ScalePixels(const Pixels& src, int width, int height,
                   std::optional<std::uint32_t> key = std::nullopt);

}  // namespace lumo
