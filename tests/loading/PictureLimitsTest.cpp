// A JPEG whose header claims one row more than the largest picture the program builds is
// refused with the decoder's error before any pixel memory is taken.
#include "loading/JpegDecoder.h"
#include "loading/PictureFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
// After jpeglib.h: the message codes.
#include <jerror.h>

namespace folivex {
namespace {

// The frame header's height and width fields set to the given values.
std::vector<std::uint8_t> WithClaimedSize(std::vector<std::uint8_t> jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = std::uint8_t(height >> 8);
            jpeg[i + 6] = std::uint8_t(height);
            jpeg[i + 7] = std::uint8_t(width >> 8);
            jpeg[i + 8] = std::uint8_t(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no baseline frame header";
    return jpeg;
}

TEST(PictureLimits, AJpegJustPastTheLargestPictureIsRefused) {
    static_assert(std::uint64_t(16384) * 16384 == kMaxPicturePixels);
    const auto small = EncodeJpeg(Bitmap24(16, 16), 80);
    char expected[64];
    std::snprintf(expected, sizeof expected, "JPEG ｴﾗｰ #%d", int(JERR_IMAGE_TOO_BIG));
    for (auto [w, h] :
         {std::pair{16385, 16384}, std::pair{16384, 16385}, std::pair{65500, 65500}}) {
        try {
            DecodeJpeg(WithClaimedSize(small, w, h));
            ADD_FAILURE() << w << " x " << h << " was decoded";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), expected) << w << " x " << h;
        }
    }
}

} // namespace
} // namespace folivex
