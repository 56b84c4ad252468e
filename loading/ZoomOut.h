// Clean reduction of 24-bit pictures: an area-averaging (box) filter that shrinks a
// picture once across and once down, used when pages are drawn "きれいに".
//
// What a destination pixel is. Destination pixel j of a row of dw pixels made from a row
// of sw pixels stands for the source interval [j * sw / dw, (j + 1) * sw / dw). Every
// source pixel contributes in proportion to the part of it inside that interval. Weights
// are 16.16 fixed point: 65536 is one whole source pixel, and the interval's ends are
// truncated to 1/65536 of a pixel, so the weights of one destination pixel add up to
// 65536 * sw / dw within one unit.
//
// Rounding. The weighted sum of a channel is divided by a = round(65536 * sw / dw)
// (halves round up) and the quotient is truncated. Pictures therefore come out very
// slightly darker than an exactly rounded average (at most one level per pass), which is
// how the reduction has always looked; it never leaves 0..255, because the weights never
// exceed a by more than one unit and a is at least 65536.
//
// Order and edges. The horizontal pass runs first and its results are rounded to bytes
// before the vertical pass averages them down the columns with the same filter. The last
// destination pixel ends exactly at the source's last edge, so nothing outside the
// picture is read and no edge pixel is weighted twice; there is no padding or mirroring.
// A destination as wide (or as tall) as its source is an exact copy.
//
// Determinism. Only integer arithmetic is used, with 64-bit sums, so the result depends
// on nothing but the pixels and the sizes: the same on every machine and build, and for
// any size a Bitmap24 can hold (no overflow for reductions of thousands to one). Division
// by a is done by an exact reciprocal multiplication where that is proven equal to the
// integer quotient, otherwise by plain division.
//
// Cost. Tables are computed once per picture. ZoomOutBitmap streams the picture row by
// row: it keeps one row of the horizontal result and one row of column sums, never a
// full-size copy of the picture.
#pragma once

#include "core/Bitmap24.h"

namespace folivex {

// Reduces the picture in place to trunc(width * factor) x trunc(height * factor).
// factor must lie in [0, 1] (std::invalid_argument otherwise; the scaler does not enlarge).
// An empty picture is left as it is; a size that truncates to zero gives an empty picture
// of that size.
void ZoomOutBitmap(Bitmap24& bitmap, double factor);

// Fills every pixel of destination from source, averaged across. destination must have
// the source's height and a width from 1 to the source's width (std::invalid_argument
// otherwise).
void ShrinkWidth(const Bitmap24& source, Bitmap24& destination);

// Fills every pixel of destination from source, averaged down. destination must have the
// source's width and a height from 1 to the source's height (std::invalid_argument
// otherwise).
void ShrinkHeight(const Bitmap24& source, Bitmap24& destination);

} // namespace folivex
