// The orientation that a JPEG file's EXIF block records, read with libexif.
#pragma once

#include <cstdint>
#include <span>

namespace folivex {

// The Orientation tag of the EXIF block's first directory, 1 to 8; 1 when the file has
// no EXIF block, no such tag, or a damaged or out-of-range one.
int ReadExifOrientation(std::span<const std::uint8_t> jpeg);

} // namespace folivex
