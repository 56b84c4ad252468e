#include "resources/DefaultTexture.h"

#include <cmath>

namespace folivex {

// A woven, warm-grey cloth: two crossing sine weaves and a little fixed grain, so that
// tiles join without a visible seam (every term repeats every 64 pixels).
QImage DefaultTexture() {
    QImage img(64, 64, QImage::Format_RGB888);
    constexpr double kTau = 6.283185307179586;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            double warp = std::sin(kTau * x / 8.0) * std::sin(kTau * y / 64.0);
            double weft = std::sin(kTau * y / 8.0) * std::sin(kTau * x / 64.0);
            unsigned grain = (unsigned(x) * 73u + unsigned(y) * 151u) * 2654435761u >> 28;
            double v = 150 + 14 * warp + 10 * weft + double(grain) - 8;
            int g = int(std::lround(v));
            img.setPixel(x, y, qRgb(g + 18, g + 8, g - 6));
        }
    }
    return img;
}

} // namespace folivex
