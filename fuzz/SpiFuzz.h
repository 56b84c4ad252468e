// The body of every plug-in fuzz target: the data through IsSupported (with its 2048
// readable bytes) and through GetPictureInfo and GetPicture in a block of exactly its
// length, so any read past the end is caught; a bitmap handed back must fit its blocks.
#pragma once

#include "folivex/susie.h"
#include "spicommon.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace folivex::fuzz {

// Whether the pixel block holds the rows that the header describes.
inline bool BitmapFits(HLOCAL info, HLOCAL bits) {
    const auto* h = static_cast<const std::uint8_t*>(LocalLock(info));
    if (!h || LocalSize(info) < 40)
        return false;
    std::int32_t width, height;
    std::memcpy(&width, h + 4, 4);
    std::memcpy(&height, h + 8, 4);
    const std::uint64_t stride = (std::uint64_t(width) * h[14] + 31) / 32 * 4;
    const std::uint64_t rows = std::uint64_t(height < 0 ? -std::int64_t(height) : height);
    LocalUnlock(info);
    return width > 0 && rows > 0 && stride * rows <= LocalSize(bits);
}

inline int RunPlugIn(const std::uint8_t* data, std::size_t size) {
    // A few header bytes may claim a vast picture; a smaller limit keeps runs fast.
    spi_max_pixels = std::uint64_t(1) << 22;
    std::vector<char> head(2048, 0);
    std::copy_n(data, std::min<std::size_t>(size, head.size()), head.begin());
    IsSupported("", head.data());
    const auto exact = std::make_unique<char[]>(std::max<std::size_t>(size, 1));
    std::copy_n(data, size, exact.get());
    const char* buf = size ? exact.get() : nullptr;
    SusiePictureInfo info{};
    if (GetPictureInfo(buf, intptr_t(size), 1, &info) == 0 && info.hInfo)
        LocalFree(info.hInfo);
    HLOCAL header = nullptr, bits = nullptr;
    if (GetPicture(buf, intptr_t(size), 1, &header, &bits, nullptr, 0) == 0) {
        if (!BitmapFits(header, bits))
            std::abort();
        LocalFree(header);
        LocalFree(bits);
    }
    return 0;
}

} // namespace folivex::fuzz
