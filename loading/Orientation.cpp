#include "loading/Orientation.h"

#include <cstddef>
#include <cstring>

namespace folivex {

namespace {

// Where upright row y starts in the stored picture, and how far one upright pixel to
// the right moves there.
struct Walk {
    std::ptrdiff_t start, step;
};

Walk UprightRow(const Bitmap24& stored, int orientation, int y) {
    const std::ptrdiff_t stride = std::ptrdiff_t(stored.stride());
    const int right = stored.width - 1, bottom = stored.height - 1;
    auto at = [&](int sx, int sy) { return std::ptrdiff_t(sy) * stride + std::ptrdiff_t(sx) * 3; };
    switch (orientation) {
    case 2:
        return {at(right, y), -3};
    case 3:
        return {at(right, bottom - y), -3};
    case 4:
        return {at(0, bottom - y), 3};
    case 5:
        return {at(y, 0), stride};
    case 6:
        return {at(y, bottom), -stride};
    case 7:
        return {at(right - y, bottom), -stride};
    case 8:
        return {at(right - y, 0), stride};
    default:
        return {at(0, y), 3};
    }
}

} // namespace

Bitmap24 TurnUpright(Bitmap24 picture, int orientation) {
    if (orientation < 2 || orientation > 8 || picture.empty())
        return picture;
    const bool turned = orientation >= 5;
    Bitmap24 upright(turned ? picture.height : picture.width,
                     turned ? picture.width : picture.height);
    for (int y = 0; y < upright.height; ++y) {
        const Walk walk = UprightRow(picture, orientation, y);
        const std::uint8_t* src = picture.pixels.data() + walk.start;
        std::uint8_t* out = upright.row(y);
        for (int x = 0; x < upright.width; ++x, src += walk.step, out += 3)
            std::memcpy(out, src, 3);
    }
    return upright;
}

} // namespace folivex
