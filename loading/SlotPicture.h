// A picture made ready for its slot on a page: the box a slot offers, the size a picture
// takes in it, the JPEG decoding scale that still fills that size, and the reduction of
// a decoded picture into it, plain (nearest pixel) or clean (area average).
#pragma once

#include "core/Bitmap24.h"

namespace folivex {

// Truncation toward zero, clamped so that absurd sizes cannot overflow an int (NaN is 0).
int TruncToInt(double x);

// The room of one slot: at most width x height pixels. fourSplit picks the slot's shape
// rule (landscape slots in 4-split spreads, portrait ones otherwise).
struct SlotBox {
    int width = 0, height = 0;
    bool fourSplit = false;
    bool operator==(const SlotBox&) const = default;
};

struct PictureSize {
    int width = 0, height = 0;
    bool operator==(const PictureSize&) const = default;
};

// The size a picture of bw x bh takes in the slot: never enlarged, the aspect ratio kept,
// truncated toward zero.
PictureSize FitIntoSlot(const SlotBox& box, int bw, int bh);

// The denominator (8, 4, 2 or 1) of the smallest JPEG decoding scale whose upright result
// is at least `target` in both directions. width and height are the stored size; EXIF
// orientations 5 to 8 turn it a quarter, so they swap which side must cover which.
unsigned ChooseJpegDenominator(int width, int height, int orientation, PictureSize target);

// The picture drawn into exactly target, each pixel taking the source pixel under its
// centre (the plain drawing).
Bitmap24 StretchNearest(const Bitmap24& picture, PictureSize target);

// The picture averaged down into target (the clean drawing; never enlarges). A picture
// already of that size is returned as it is.
Bitmap24 ShrinkClean(Bitmap24 picture, PictureSize target);

} // namespace folivex
