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

// The frame header's height and width fields set to the given values; a progressive
// frame marker makes the decoder keep the coefficients of the whole frame.
std::vector<std::uint8_t> WithClaimedSize(std::vector<std::uint8_t> jpeg, int width, int height,
                                          bool progressive = false) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            if (progressive)
                jpeg[i + 1] = 0xC2;
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

// Refused by the limits themselves, before any pixel or coefficient memory is taken: a
// reduced decode by the stored size, a progressive one by the library's memory limit.
TEST(PictureLimits, AJpegJustPastTheLargestPictureIsRefused) {
    static_assert(std::uint64_t(16384) * 16384 == kMaxPicturePixels);
    const auto small = EncodeJpeg(Bitmap24(16, 16), 80);
    struct Case {
        int width, height;
        bool progressive;
        int minLongSide; // 0: a full-size decode
        int code;
    };
    for (const Case& c : {Case{16385, 16384, false, 0, JERR_IMAGE_TOO_BIG},
                          Case{16384, 16385, false, 0, JERR_IMAGE_TOO_BIG},
                          Case{65500, 65500, false, 0, JERR_IMAGE_TOO_BIG},
                          Case{65500, 65500, false, 200, JERR_IMAGE_TOO_BIG},
                          Case{65500, 65500, true, 200, JERR_IMAGE_TOO_BIG},
                          Case{16000, 16000, true, 0, JERR_NO_BACKING_STORE}}) {
        const auto claimed = WithClaimedSize(small, c.width, c.height, c.progressive);
        char expected[64];
        std::snprintf(expected, sizeof expected, "JPEG ｴﾗｰ #%d", c.code);
        try {
            c.minLongSide > 0 ? DecodeJpegReduced(claimed, c.minLongSide) : DecodeJpeg(claimed);
            ADD_FAILURE() << c.width << " x " << c.height << " was decoded";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), expected) << c.width << " x " << c.height;
        }
    }
}

} // namespace
} // namespace folivex
