// A plain 24-bit picture: the common currency between the decoders, the scaler, the
// thumbnail cache and the renderer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace folivex {

// Rows run top to bottom; each pixel is three bytes in the order blue, green, red, as in
// a Windows bitmap; rows are tightly packed (no padding).
struct Bitmap24 {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    Bitmap24() = default;
    Bitmap24(int w, int h) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h) * 3) {}

    bool empty() const { return width <= 0 || height <= 0; }
    std::size_t stride() const { return std::size_t(width) * 3; }
    std::uint8_t* row(int y) { return pixels.data() + std::size_t(y) * stride(); }
    const std::uint8_t* row(int y) const { return pixels.data() + std::size_t(y) * stride(); }
};

} // namespace folivex
