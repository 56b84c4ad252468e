#include "loading/PictureSniff.h"

#include "loading/SPIs.h"

#include <array>

namespace folivex {

namespace {

bool IsBmpHeaderSize(std::uint32_t size) {
    // The core, info, V2/V3 info, OS/2 2.x, V4 and V5 headers.
    constexpr std::array<std::uint32_t, 7> kSizes{12, 40, 52, 56, 64, 108, 124};
    for (std::uint32_t s : kSizes)
        if (size == s)
            return true;
    return false;
}

} // namespace

BuiltInFormat SniffBuiltInFormat(std::span<const std::uint8_t> head) {
    if (head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return BuiltInFormat::Jpeg;
    if (head.size() >= 18 && head[0] == 'B' && head[1] == 'M') {
        const std::uint32_t headerSize = std::uint32_t(head[14]) | std::uint32_t(head[15]) << 8 |
                                         std::uint32_t(head[16]) << 16 |
                                         std::uint32_t(head[17]) << 24;
        if (IsBmpHeaderSize(headerSize))
            return BuiltInFormat::Bmp;
    }
    return BuiltInFormat::None;
}

BuiltInFormat BuiltInFormatOfName(std::string_view name) {
    const std::string ext = UpperCaseAscii(ExtractFileExt(name));
    if (ext == ".JPG" || ext == ".JPEG" || ext == ".JPE" || ext == ".JFIF")
        return BuiltInFormat::Jpeg;
    if (ext == ".BMP")
        return BuiltInFormat::Bmp;
    return BuiltInFormat::None;
}

} // namespace folivex
