// The plain bitmap reader: Windows bitmap files (and the in-memory bitmap files built from
// plug-in results) into 24-bit pictures. Reads 1, 4, 8, 16, 24 and 32 bits per pixel,
// both run-length kinds, bit-field masks, the old 12-byte header and the newer long ones,
// rows stored bottom-up or top-down.
#pragma once

#include "core/Bitmap24.h"
#include "loading/PictureFile.h"

#include <cstdint>
#include <span>
#include <string>

namespace folivex {

struct BmpLimits {
    std::uint64_t maxPixels = kMaxPicturePixels;
};

// Raises EInvalidGraphic ("認識できない画像形式です") for anything that is not a complete,
// readable bitmap file; never reads outside the given bytes.
Bitmap24 ReadBmp(std::span<const std::uint8_t> file, const BmpLimits& limits = {});

// A packed bitmap as picture plug-ins hand it over: the information header with its
// masks and colour table in one block, the pixel rows in another, each read in place
// (no bitmap file is put together). The same formats and limits as ReadBmp; never reads
// outside either block.
Bitmap24 ReadDib(std::span<const std::uint8_t> header, std::span<const std::uint8_t> pixels,
                 const BmpLimits& limits = {});

// Also raises "ﾌｧｲﾙ %s は開けません" when the file cannot be read.
Bitmap24 LoadBmpFile(const std::string& path);

} // namespace folivex
