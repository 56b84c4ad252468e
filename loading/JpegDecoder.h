// JPEG files into 24-bit pictures, through libjpeg-turbo.
#pragma once

#include "app/core/Bitmap24.h"
#include "app/core/Error.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace folivex {

namespace msg {
inline constexpr std::string_view kJpegError = "JPEG ｴﾗｰ #%d";
} // namespace msg

// Raises "JPEG ｴﾗｰ #%d" with the library's message number for data it cannot decode,
// a file that ends before its picture does included.
Bitmap24 DecodeJpeg(std::span<const std::uint8_t> data);

// Also raises "ﾌｧｲﾙ %s は開けません" when the file cannot be read.
Bitmap24 DecodeJpegFile(const std::string& path);

} // namespace folivex
