#include "loading/SlotPicture.h"

#include "loading/ZoomOut.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

namespace folivex {

int TruncToInt(double x) {
    if (!(x > double(INT_MIN)))
        return x != x ? 0 : INT_MIN;
    if (x >= double(INT_MAX))
        return INT_MAX;
    return int(x);
}

namespace {

// libjpeg's output size: the stored size divided and rounded up.
long long Scaled(int side, unsigned denominator) {
    return (static_cast<long long>(side) + denominator - 1) / denominator;
}

} // namespace

PictureSize FitIntoSlot(const SlotBox& box, int bw, int bh) {
    if (bw <= 0 || bh <= 0)
        return {};
    int w = box.width, h = box.height;
    if (w >= bw && h >= bh)
        return {bw, bh};
    const double a = double(bh) / bw;
    const bool wider = box.fourSplit ? a < 1 / 1.4 : a < 1.4;
    if (wider)
        h = TruncToInt(w * a);
    else
        w = TruncToInt(h / a);
    return {w, h};
}

unsigned ChooseJpegDenominator(int width, int height, int orientation, PictureSize target) {
    const bool turned = orientation >= 5 && orientation <= 8;
    const int uprightWidth = turned ? height : width;
    const int uprightHeight = turned ? width : height;
    for (unsigned denominator : {8u, 4u, 2u}) {
        if (Scaled(uprightWidth, denominator) >= target.width &&
            Scaled(uprightHeight, denominator) >= target.height)
            return denominator;
    }
    return 1;
}

Bitmap24 StretchNearest(const Bitmap24& picture, PictureSize target) {
    if (picture.empty() || target.width <= 0 || target.height <= 0)
        return Bitmap24(std::max(0, target.width), std::max(0, target.height));
    Bitmap24 out(target.width, target.height);
    std::vector<std::size_t> column(std::size_t(target.width));
    for (int x = 0; x < target.width; ++x)
        column[std::size_t(x)] =
            std::size_t((2LL * x + 1) * picture.width / (2LL * target.width)) * 3;
    for (int y = 0; y < target.height; ++y) {
        const std::uint8_t* in =
            picture.row(int((2LL * y + 1) * picture.height / (2LL * target.height)));
        std::uint8_t* o = out.row(y);
        for (std::size_t i = 0; i < column.size(); ++i, o += 3)
            std::memcpy(o, in + column[i], 3);
    }
    return out;
}

Bitmap24 ShrinkClean(Bitmap24 picture, PictureSize target) {
    if (picture.empty() || target.width <= 0 || target.height <= 0)
        return Bitmap24(std::max(0, target.width), std::max(0, target.height));
    target.width = std::min(target.width, picture.width);
    target.height = std::min(target.height, picture.height);
    if (picture.width == target.width && picture.height == target.height)
        return picture;
    Bitmap24 across(target.width, picture.height);
    ShrinkWidth(picture, across);
    picture = Bitmap24();
    if (across.height == target.height)
        return across;
    Bitmap24 down(target.width, target.height);
    ShrinkHeight(across, down);
    return down;
}

} // namespace folivex
