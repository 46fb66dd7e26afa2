#include "common/dpi.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lumo {

namespace {

int RoundedDiv(long long num, long long den) {
    if (den == 0)
        return -1;
    long long q = (std::llabs(num) * 2 + std::llabs(den)) / (std::llabs(den) * 2);
    return static_cast<int>((num < 0) != (den < 0) ? -q : q);
}

std::uint32_t Channel(std::uint32_t p, int shift) {
    return (p >> shift) & 0xFF;
}

}  // namespace

int Scale(int value, int dpi) {
    return dpi == kDesignDpi ? value : RoundedDiv(static_cast<long long>(value) * dpi, kDesignDpi);
}

int Unscale(int pixels, int dpi) {
    return dpi == kDesignDpi || dpi <= 0
               ? pixels
               : RoundedDiv(static_cast<long long>(pixels) * kDesignDpi, dpi);
}

Pixels ScalePixels(const Pixels& src, int width, int height, std::optional<std::uint32_t> key) {
    Pixels out;
    if (src.width <= 0 || src.height <= 0 || width <= 0 || height <= 0 ||
        src.data.size() < static_cast<size_t>(src.width) * static_cast<size_t>(src.height))
        return out;
    out.width = width;
    out.height = height;
    out.data.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    auto at = [&](int x, int y) {
        return src
            .data[static_cast<size_t>(y) * static_cast<size_t>(src.width) + static_cast<size_t>(x)];
    };
    const bool whole = width % src.width == 0 && height % src.height == 0;
    const double fx = static_cast<double>(src.width) / width;
    const double fy = static_cast<double>(src.height) / height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t& dst = out.data[static_cast<size_t>(y) * static_cast<size_t>(width) +
                                          static_cast<size_t>(x)];
            const double sx = (x + 0.5) * fx - 0.5, sy = (y + 0.5) * fy - 0.5;
            const int nx = std::clamp(static_cast<int>(std::floor(sx + 0.5)), 0, src.width - 1);
            const int ny = std::clamp(static_cast<int>(std::floor(sy + 0.5)), 0, src.height - 1);
            const std::uint32_t nearest = at(nx, ny);
            if (whole || (key && nearest == *key)) {
                dst = nearest;
                continue;
            }
            const int x0 = std::clamp(static_cast<int>(std::floor(sx)), 0, src.width - 1);
            const int y0 = std::clamp(static_cast<int>(std::floor(sy)), 0, src.height - 1);
            const int x1 = std::min(x0 + 1, src.width - 1), y1 = std::min(y0 + 1, src.height - 1);
            const double ax = std::clamp(sx - x0, 0.0, 1.0), ay = std::clamp(sy - y0, 0.0, 1.0);
            const struct {
                int x, y;
                double w;
            } taps[] = {{x0, y0, (1 - ax) * (1 - ay)},
                        {x1, y0, ax * (1 - ay)},
                        {x0, y1, (1 - ax) * ay},
                        {x1, y1, ax * ay}};
            double sum[3] = {0, 0, 0}, weight = 0;
            for (const auto& t : taps) {
                std::uint32_t p = at(t.x, t.y);
                if (t.w <= 0 || (key && p == *key))
                    continue;
                for (int c = 0; c < 3; ++c) sum[c] += t.w * Channel(p, 16 - 8 * c);
                weight += t.w;
            }
            if (weight <= 0) {
                dst = nearest;
                continue;
            }
            std::uint32_t v = 0;
            for (int c = 0; c < 3; ++c) {
                auto channel = static_cast<std::uint32_t>(std::lround(sum[c] / weight));
                v |= std::min<std::uint32_t>(channel, 255) << (16 - 8 * c);
            }
            // A blend that lands on the key would turn transparent.
            if (key && v == *key)
                v ^= 1;
            dst = v;
        }
    }
    return out;
}

}  // namespace lumo
