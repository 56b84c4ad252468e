// Making one thumbnail: the fast reduced-scale JPEG decode, the square thumbnail layout
// and the compression of thumbnails for the cache file.
#pragma once

#include "app/core/Bitmap24.h"

#include <QImage>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// True for names ending in ".jpg" or ".jpeg", any letter case.
bool IsJpegName(std::string_view name);

// Decodes a JPEG at the smallest of the scales 1/8, 1/4, 1/2 and 1 whose longer side
// still has at least `minLongSide` pixels. Raises "JPEG ｴﾗｰ #%d" for data the library
// cannot decode. Safe to call from several threads at once.
Bitmap24 DecodeJpegReduced(std::span<const std::uint8_t> data, int minLongSide);

// A size x size thumbnail: the picture stretched, keeping its aspect ratio, into the
// square with its right column and bottom row left out, centred along the shorter side;
// the rest stays white. An empty picture gives a white square.
Bitmap24 MakeThumbnail(const Bitmap24& picture, int size);

// Baseline JPEG of a picture (quality 0..100). Raises "JPEG ｴﾗｰ #%d" on failure.
std::vector<std::uint8_t> EncodeJpeg(const Bitmap24& picture, int quality);

// Deep copies between the plain picture type and Qt's.
QImage ToQImage(const Bitmap24& picture);
Bitmap24 FromQImage(const QImage& image);

} // namespace folivex
