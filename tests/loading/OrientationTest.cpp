// Upright pictures: the eight EXIF orientations turned by the host's transform and by
// the plug-ins' shared helper, JPEG files with an EXIF block decoded upright at full and
// reduced scale, damaged EXIF blocks read as "as stored", and the plug-ins' own EXIF
// reader and transparency on white.
#include "loading/Orientation.h"
#include "JpegEncode.h"
#include "LoadingTestUtil.h"
#include "loading/ExifOrientation.h"
#include "loading/JpegDecoder.h"
#include "spicommon.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace folivex {
namespace {

using test::Bytes;

// A stored picture of 3 x 2 whose pixels are the letters a to f, row by row:
//   a b c
//   d e f
// and how it looks upright under each orientation, as the EXIF standard draws them.
const struct {
    int orientation;
    int width, height;
    const char* upright; // rows from the top
} kTurns[] = {
    {1, 3, 2, "abcdef"}, {2, 3, 2, "cbafed"}, {3, 3, 2, "fedcba"}, {4, 3, 2, "defabc"},
    {5, 2, 3, "adbecf"}, {6, 2, 3, "daebfc"}, {7, 2, 3, "fcebda"}, {8, 2, 3, "cfbead"},
    {0, 3, 2, "abcdef"}, {9, 3, 2, "abcdef"}, // out of range: as stored
};

Bitmap24 Letters() {
    Bitmap24 b(3, 2);
    for (int i = 0; i < 6; ++i)
        b.pixels[std::size_t(3 * i)] = std::uint8_t('a' + i);
    return b;
}

std::string LettersOf(const Bitmap24& b) {
    std::string s;
    for (std::size_t i = 0; i < b.pixels.size(); i += 3)
        s += char(b.pixels[i]);
    return s;
}

TEST(TurnUpright, AllEightOrientations) {
    for (const auto& t : kTurns) {
        const Bitmap24 upright = TurnUpright(Letters(), t.orientation);
        EXPECT_EQ(upright.width, t.width) << t.orientation;
        EXPECT_EQ(upright.height, t.height) << t.orientation;
        EXPECT_EQ(LettersOf(upright), t.upright) << t.orientation;
    }
}

// The plug-ins' helper writes bottom-up 24-bit rows; read them back top down.
std::string LettersOfDib(const SpiDib& dib) {
    std::string s;
    for (std::uint32_t y = 0; y < dib.height; ++y) {
        const unsigned char* row = dib.pixels + std::size_t(dib.height - 1 - y) * dib.stride;
        for (std::uint32_t x = 0; x < dib.width; ++x)
            s += char(row[3 * x]);
    }
    return s;
}

TEST(SpiCommon, TurnsDecodedPicturesUprightIntoBottomUpBitmaps) {
    std::vector<std::uint8_t> rgba(6 * 4);
    for (std::size_t i = 0; i < 6; ++i) { // the letter in blue, which lands first in each pixel
        rgba[4 * i + 2] = std::uint8_t('a' + i);
        rgba[4 * i + 3] = 255;
    }
    const SpiRgba picture{rgba.data(), 3, 2, 12, SPI_ALPHA_STRAIGHT};
    for (const auto& t : kTurns) {
        SCOPED_TRACE(t.orientation);
        std::uint32_t w, h;
        spi_upright_size(t.orientation, 3, 2, &w, &h);
        EXPECT_EQ(int(w), t.width);
        EXPECT_EQ(int(h), t.height);
        SpiDib dib;
        ASSERT_EQ(spi_dib_create(&dib, w, h, 24), SPI_OK);
        ASSERT_EQ(spi_dib_put_rgba(&dib, &picture, t.orientation, nullptr, 0), SPI_OK);
        EXPECT_EQ(LettersOfDib(dib), t.upright);
        spi_dib_discard(&dib);
    }
}

TEST(SpiCommon, LaysTransparencyOntoWhite) {
    const struct {
        SpiAlpha alpha;
        std::uint8_t r, g, b, a;
        std::uint8_t blue, green, red; // the bitmap's bytes
    } cases[] = {
        {SPI_ALPHA_STRAIGHT, 0, 0, 255, 0, 255, 255, 255},
        {SPI_ALPHA_STRAIGHT, 0, 0, 255, 128, 255, 127, 127},
        {SPI_ALPHA_STRAIGHT, 10, 20, 30, 255, 30, 20, 10},
        {SPI_ALPHA_PREMULTIPLIED, 0, 0, 128, 128, 255, 127, 127},
        {SPI_ALPHA_PREMULTIPLIED, 0, 0, 0, 0, 255, 255, 255},
        {SPI_ALPHA_NONE, 10, 20, 30, 0, 30, 20, 10},
    };
    for (const auto& c : cases) {
        const std::uint8_t px[4] = {c.r, c.g, c.b, c.a};
        const SpiRgba picture{px, 1, 1, 4, c.alpha};
        HLOCAL info = nullptr, bits = nullptr;
        ASSERT_EQ(spi_deliver_rgba(&picture, 1, &info, &bits, nullptr, 0), SPI_OK);
        auto* p = static_cast<const std::uint8_t*>(LocalLock(bits));
        EXPECT_EQ(p[0], c.blue);
        EXPECT_EQ(p[1], c.green);
        EXPECT_EQ(p[2], c.red);
        EXPECT_EQ(LocalSize(bits), 4u); // one row padded to four bytes
        LocalUnlock(bits);
        LocalFree(info);
        LocalFree(bits);
    }
}

TEST(SpiCommon, RefusesSizesBeyondTheLimit) {
    EXPECT_TRUE(spi_size_allowed(16384, 16384));
    EXPECT_FALSE(spi_size_allowed(16385, 16384));
    EXPECT_FALSE(spi_size_allowed(0, 5));
    EXPECT_FALSE(spi_size_allowed(std::uint64_t(1) << 31, 1));
    SpiDib dib;
    EXPECT_EQ(spi_dib_create(&dib, 65535, 65535, 24), SPI_BROKEN_DATA);
    EXPECT_EQ(dib.hinfo, nullptr);
}

// ---- EXIF blocks ----

// A TIFF-structured EXIF block whose first directory holds the given entries (tag,
// type, count, value), little- or big-endian.
Bytes ExifBlock(std::vector<std::array<std::uint32_t, 4>> entries, bool bigEndian = false) {
    auto put16 = [&](Bytes& b, std::uint32_t v) {
        if (bigEndian)
            test::Append(b, {std::uint8_t(v >> 8), std::uint8_t(v)});
        else
            test::Put16(b, v);
    };
    auto put32 = [&](Bytes& b, std::uint32_t v) {
        if (bigEndian)
            test::Append(b, {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8),
                             std::uint8_t(v)});
        else
            test::Put32(b, v);
    };
    Bytes b{'E', 'x', 'i', 'f', 0, 0};
    test::Append(b, bigEndian ? std::initializer_list<std::uint8_t>{'M', 'M', 0, 42}
                              : std::initializer_list<std::uint8_t>{'I', 'I', 42, 0});
    put32(b, 8);
    put16(b, std::uint32_t(entries.size()));
    for (const auto& e : entries) {
        put16(b, e[0]);
        put16(b, e[1]);
        put32(b, e[2]);
        if (e[1] == 3) { // a SHORT sits in the first two bytes of the value field
            put16(b, e[3]);
            put16(b, 0);
        } else {
            put32(b, e[3]);
        }
    }
    put32(b, 0);
    return b;
}

// A JPEG of the picture with the EXIF block as its first marker segment.
Bytes JpegWithExif(const Bitmap24& picture, const Bytes& exif) {
    Bytes jpeg = test::EncodeJpeg(picture, 95);
    Bytes app1{0xFF, 0xE1, std::uint8_t((exif.size() + 2) >> 8), std::uint8_t(exif.size() + 2)};
    app1.insert(app1.end(), exif.begin(), exif.end());
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    return jpeg;
}

Bytes WithoutPrefix(const Bytes& exif) {
    return Bytes(exif.begin() + 6, exif.end());
}

TEST(ExifOrientation, ReadByLibexifAndByThePlugInsHelper) {
    const std::uint32_t kShort = 3, kLong = 4;
    const struct {
        const char* name;
        Bytes exif;
        int expected;
    } cases[] = {
        {"six", ExifBlock({{0x0112, kShort, 1, 6}}), 6},
        {"eight, big-endian", ExifBlock({{0x0112, kShort, 1, 8}}, true), 8},
        {"after other tags", ExifBlock({{0x010F, 2, 4, 0}, {0x0112, kShort, 1, 3}}), 3},
        {"out of range", ExifBlock({{0x0112, kShort, 1, 9}}), 1},
        {"zero", ExifBlock({{0x0112, kShort, 1, 0}}), 1},
        {"wrong type", ExifBlock({{0x0112, kLong, 1, 6}}), 1},
        {"no orientation", ExifBlock({{0x010F, 2, 4, 0}}), 1},
        {"no entries", ExifBlock({}), 1},
    };
    const Bitmap24 picture(8, 8);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadExifOrientation(JpegWithExif(picture, c.exif)), c.expected);
        EXPECT_EQ(spi_exif_orientation(c.exif.data(), c.exif.size()), c.expected);
        const Bytes bare = WithoutPrefix(c.exif);
        EXPECT_EQ(spi_exif_orientation(bare.data(), bare.size()), c.expected);
    }
}

TEST(ExifOrientation, DamagedBlocksReadAsStored) {
    Bytes good = ExifBlock({{0x0112, 3, 1, 6}});
    Bytes farDirectory = good;
    farDirectory[10] = 0xF0; // first directory far past the end
    Bytes manyEntries = good;
    manyEntries[14] = 0xFF; // more entries than the block holds
    Bytes notTiff = good;
    notTiff[6] = notTiff[7] = 'X';
    const Bytes cases[] = {farDirectory, Bytes(good.begin(), good.end() - 8),
                           Bytes(good.begin(), good.begin() + 9), Bytes{}};
    const Bitmap24 picture(8, 8);
    for (const Bytes& exif : cases) {
        SCOPED_TRACE(&exif - cases);
        EXPECT_EQ(spi_exif_orientation(exif.data(), exif.size()), 1);
        EXPECT_EQ(ReadExifOrientation(JpegWithExif(picture, exif)), 1);
    }
    // A directory that claims more entries than the block holds: the plug-ins' reader
    // refuses it whole, libexif keeps the entries that are there.
    EXPECT_EQ(spi_exif_orientation(manyEntries.data(), manyEntries.size()), 1);
    EXPECT_EQ(spi_exif_orientation(notTiff.data(), notTiff.size()), 1);
    EXPECT_EQ(ReadExifOrientation(JpegWithExif(picture, manyEntries)), 6);
    EXPECT_EQ(ReadExifOrientation(test::EncodeJpeg(picture)), 1);
    EXPECT_EQ(ReadExifOrientation(Bytes{0xFF, 0xD8, 0xFF}), 1);
    EXPECT_EQ(spi_exif_orientation(nullptr, 0), 1);
}

// A stored 16 x 8 picture: the left half red, the right half blue.
Bitmap24 HalfRedHalfBlue() {
    Bitmap24 b(16, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = x < 8 ? 0 : 255;
            p[2] = x < 8 ? 255 : 0;
        }
    return b;
}

bool IsRed(const Bitmap24& b, int x, int y) {
    const std::uint8_t* p = b.row(y) + 3 * x;
    return p[2] > 200 && p[0] < 60;
}

TEST(ExifOrientation, JpegPicturesDecodeUprightAtFullAndReducedScale) {
    const struct {
        int orientation;
        int width, height;
        int redX, redY; // a pixel in the upright red half
    } cases[] = {
        {1, 16, 8, 2, 4}, {2, 16, 8, 13, 4}, {3, 16, 8, 13, 4}, {4, 16, 8, 2, 4},
        {5, 8, 16, 4, 2}, {6, 8, 16, 4, 2},  {7, 8, 16, 4, 13}, {8, 8, 16, 4, 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        const Bytes jpeg = JpegWithExif(HalfRedHalfBlue(),
                                        ExifBlock({{0x0112, 3, 1, std::uint32_t(c.orientation)}}));
        const Bitmap24 full = DecodeJpeg(jpeg);
        ASSERT_EQ(full.width, c.width);
        ASSERT_EQ(full.height, c.height);
        EXPECT_TRUE(IsRed(full, c.redX, c.redY));
        EXPECT_FALSE(IsRed(full, full.width - 1 - c.redX, full.height - 1 - c.redY));
        const Bitmap24 half = DecodeJpegReduced(jpeg, 8);
        ASSERT_EQ(half.width, c.width / 2);
        ASSERT_EQ(half.height, c.height / 2);
        EXPECT_TRUE(IsRed(half, c.redX / 2, c.redY / 2));
    }
}

} // namespace
} // namespace folivex
