// What a JPEG file's EXIF block records that drawing needs, read with libexif: the
// orientation, and the small copy of the picture that cameras embed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace folivex {

struct ExifFacts {
    int orientation = 1;
    // The embedded JPEG thumbnail's bytes as stored; empty when there is none. It lies
    // within the EXIF marker segment, so it is never larger than 64 KB.
    std::vector<std::uint8_t> thumbnail;
};

// The Orientation tag of the EXIF block's first directory, 1 to 8; 1 when the file has
// no EXIF block, no such tag, or a damaged or out-of-range one.
int ReadExifOrientation(std::span<const std::uint8_t> jpeg);

// The orientation as above and the thumbnail of the second directory (one that does
// not start as a JPEG stream counts as none).
ExifFacts ReadExifFacts(std::span<const std::uint8_t> jpeg);

} // namespace folivex
