// JPEG files into 24-bit pictures and back, through libjpeg-turbo.
#pragma once

#include "core/Bitmap24.h"
#include "core/Error.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

namespace msg {
inline constexpr std::string_view kJpegError = FOLIVEX_TRANSLATE_NOOP("Messages", "JPEG ｴﾗｰ #%d");
} // namespace msg

// The picture upright by the file's EXIF orientation. Raises "JPEG ｴﾗｰ #%d" with the
// library's message number for data it cannot decode, a file that ends before its
// picture does included.
Bitmap24 DecodeJpeg(std::span<const std::uint8_t> data);

// Also raises "ﾌｧｲﾙ %s は開けません" when the file cannot be read.
Bitmap24 DecodeJpegFile(const std::string& path);

// Decodes at the smallest of the scales 1/8, 1/4, 1/2 and 1 whose longer side still has
// at least `minLongSide` pixels (0: full size), for thumbnails. A camera's embedded EXIF
// thumbnail is decoded instead of the picture when its longer side has those pixels and
// its shape is the picture's (within one thumbnail pixel); a damaged one is passed over.
// Raises as DecodeJpeg. Safe to call from several threads at once.
Bitmap24 DecodeJpegReduced(std::span<const std::uint8_t> data, int minLongSide);

// DecodeJpegReduced of a listed picture (a file or an archive entry). When a camera's
// thumbnail stands in, only the start of the file is read. Raises as DecodeJpeg and as
// ReadPictureBytes.
Bitmap24 LoadJpegThumbnail(const std::string& path, int minLongSide);
// The same when the listed picture starts as a JPEG; nothing for another format under a
// JPEG name. The start is read once either way.
std::optional<Bitmap24> LoadJpegThumbnailIfJpeg(const std::string& path, int minLongSide);

// What the header says: the stored size (before any EXIF turn) and the EXIF orientation.
struct JpegInfo {
    int width = 0, height = 0;
    int orientation = 1;
};
// Raises as DecodeJpeg for data whose header cannot be read.
JpegInfo ReadJpegInfo(std::span<const std::uint8_t> data);

// The picture upright, decoded at 1/denominator of its size (1, 2, 4 or 8) with the
// same precision as a full decode. Raises as DecodeJpeg. Safe from several threads.
Bitmap24 DecodeJpegScaled(std::span<const std::uint8_t> data, unsigned denominator);

// Baseline JPEG of a picture (quality 0..100). Raises "JPEG ｴﾗｰ #%d" on failure.
std::vector<std::uint8_t> EncodeJpeg(const Bitmap24& picture, int quality);

} // namespace folivex
