// Making one thumbnail: the square thumbnail layout, and the conversions between the
// plain picture type and Qt's. JPEG decoding at reduced scale lives with the decoder.
#pragma once

#include "loading/JpegDecoder.h"

#include "core/Bitmap24.h"

#include <QImage>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// True for names ending in ".jpg" or ".jpeg", any letter case.
bool IsJpegName(std::string_view name);

// A size x size thumbnail: the picture stretched, keeping its aspect ratio, into the
// square with its right column and bottom row left out, centred along the shorter side;
// the rest stays white. An empty picture gives a white square.
Bitmap24 MakeThumbnail(const Bitmap24& picture, int size);

// Deep copies between the plain picture type and Qt's.
QImage ToQImage(const Bitmap24& picture);
Bitmap24 FromQImage(const QImage& image);

} // namespace folivex
