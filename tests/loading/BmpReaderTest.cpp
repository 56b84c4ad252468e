// The plain bitmap reader: every pixel format, both row orders, run-length data, and the
// files it must refuse without reading outside them.
#include "loading/BmpReader.h"
#include "LoadingTestUtil.h"

#include <gtest/gtest.h>

namespace folivex {
namespace {

using test::BmpSpec;
using test::Bytes;
using test::MakeBmp;

using Pixels = std::vector<std::uint8_t>;

// Black, white, red (as palette entries: blue, green, red, unused).
const Bytes kPalette = {0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0};

TEST(ReadBmp, EveryPixelFormat) {
    struct Case {
        const char* name;
        BmpSpec spec;
        Pixels expected; // top row first, blue-green-red
    } cases[] = {
        {"1 bit",
         {.width = 3,
          .height = 1,
          .bitCount = 1,
          .colorsUsed = 2,
          .palette = {0, 0, 0, 0, 255, 255, 255, 0},
          .pixels = {0xA0, 0, 0, 0}},
         {255, 255, 255, 0, 0, 0, 255, 255, 255}},
        {"4 bit",
         {.width = 3,
          .height = 1,
          .bitCount = 4,
          .colorsUsed = 3,
          .palette = kPalette,
          .pixels = {0x21, 0x00, 0, 0}},
         {0, 0, 255, 255, 255, 255, 0, 0, 0}},
        {"8 bit, index past table",
         {.width = 2,
          .height = 1,
          .bitCount = 8,
          .colorsUsed = 3,
          .palette = kPalette,
          .pixels = {2, 200, 0, 0}},
         {0, 0, 255, 0, 0, 0}},
        {"16 bit 555",
         {.width = 1, .height = 1, .bitCount = 16, .pixels = {0x1F, 0x7C, 0, 0}},
         {255, 0, 255}},
        {"16 bit 565 fields",
         {.width = 1,
          .height = 1,
          .bitCount = 16,
          .compression = 3,
          .masks = {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0},
          .pixels = {0xE0, 0x07, 0, 0}},
         {0, 255, 0}},
        {"24 bit bottom-up",
         {.width = 1, .height = 2, .pixels = {1, 2, 3, 0, 4, 5, 6, 0}},
         {4, 5, 6, 1, 2, 3}},
        {"24 bit top-down",
         {.width = 1, .height = -2, .pixels = {1, 2, 3, 0, 4, 5, 6, 0}},
         {1, 2, 3, 4, 5, 6}},
        {"32 bit", {.width = 1, .height = 1, .bitCount = 32, .pixels = {7, 8, 9, 0xFF}}, {7, 8, 9}},
        {"32 bit fields",
         {.width = 1,
          .height = 1,
          .bitCount = 32,
          .compression = 3,
          .masks = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0},
          .pixels = {10, 20, 30, 0}},
         {30, 20, 10}},
    };
    for (const auto& c : cases) {
        Bitmap24 p = ReadBmp(MakeBmp(c.spec));
        EXPECT_EQ(p.pixels, c.expected) << c.name;
    }
}

TEST(ReadBmp, RunLengthData) {
    // 4 x 2, bottom row first: a run, an absolute run, end of line; a jump, end of bitmap.
    BmpSpec rle8{.width = 4,
                 .height = 2,
                 .bitCount = 8,
                 .compression = 1,
                 .colorsUsed = 3,
                 .palette = kPalette,
                 .pixels = {2, 1, 0, 3, 2, 1, 2, 0, 0, 0, 0, 2, 3, 0, 1, 1, 0, 1}};
    // top row: white at x 3 after a jump; bottom row: white white red white
    Pixels w = {255, 255, 255}, r = {0, 0, 255}, k = {0, 0, 0};
    auto row = [](std::initializer_list<Pixels> px) {
        Pixels out;
        for (const auto& p : px)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    Pixels expected = row({k, k, k, w, w, w, r, w});
    EXPECT_EQ(ReadBmp(MakeBmp(rle8)).pixels, expected);

    BmpSpec rle4{.width = 4,
                 .height = 1,
                 .bitCount = 4,
                 .compression = 2,
                 .colorsUsed = 3,
                 .palette = kPalette,
                 .pixels = {3, 0x12, 0, 3, 0x10, 0x00, 0, 1}};
    // a run of 3 alternating 1, 2, 1; then an absolute run 1, 0 (only one pixel fits)
    EXPECT_EQ(ReadBmp(MakeBmp(rle4)).pixels, row({w, r, w, w}));
}

TEST(ReadBmp, OldCoreHeader) {
    Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0,  0, 0, 26, 0, 0, 0, 12, 0, 0,
               0,   2,   0, 1, 0, 1, 0, 24, 0, 1, 2,  3, 4, 5, 6,  0, 0};
    EXPECT_EQ(ReadBmp(b).pixels, (Pixels{1, 2, 3, 4, 5, 6}));
}

TEST(ReadBmp, RefusesBrokenFiles) {
    Bytes good = MakeBmp({.width = 2, .height = 2, .pixels = Bytes(16, 1)});
    auto with = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        Bytes b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + std::ptrdiff_t(at));
        return b;
    };
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"signature only", {'B', 'M'}},
        {"not a bitmap", with(0, {'P', '6'})},
        {"header size 0", with(14, {0, 0, 0, 0})},
        {"huge header size", with(14, {0, 0, 0, 0x80})},
        {"width 0", with(18, {0, 0, 0, 0})},
        {"negative width", with(18, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"height 0", with(22, {0, 0, 0, 0})},
        {"lowest height", with(22, {0, 0, 0, 0x80})},
        {"bit count 7", with(28, {7, 0})},
        {"run-length with 24 bits", with(30, {1, 0, 0, 0})},
        {"jpeg inside", with(30, {4, 0, 0, 0})},
        {"too many pixels", with(18, {0xFF, 0xFF, 0xFF, 0x0F})},
        {"pixel offset past the end", with(10, {0xFF, 0xFF, 0, 0})},
        {"truncated pixels", Bytes(good.begin(), good.end() - 5)},
        {"truncated header", Bytes(good.begin(), good.begin() + 30)},
        {"run-length without end",
         MakeBmp({.width = 4, .height = 4, .bitCount = 8, .compression = 1, .pixels = {4, 1}})},
        {"absolute run past the end",
         MakeBmp({.width = 4, .height = 1, .bitCount = 8, .compression = 1, .pixels = {0, 9, 1}})},
        {"palette past the end",
         MakeBmp({.width = 1, .height = 1, .bitCount = 8, .colorsUsed = 200, .pixels = {0}})},
    };
    for (const auto& c : cases) {
        try {
            ReadBmp(c.bytes);
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "認識できない画像形式です") << c.name;
        }
    }
}

TEST(ReadBmp, PixelLimitBoundsWhatRunLengthDataMayClaim) {
    Bytes b = MakeBmp(
        {.width = 30000, .height = 30000, .bitCount = 8, .compression = 1, .pixels = {0, 1}});
    EXPECT_THROW(ReadBmp(b, BmpLimits{.maxPixels = 1 << 20}), EInvalidGraphic);
    Bitmap24 p = ReadBmp(MakeBmp({.width = 1000,
                                  .height = 1000,
                                  .bitCount = 8,
                                  .compression = 1,
                                  .colorsUsed = 3,
                                  .palette = kPalette,
                                  .pixels = {0, 1}}));
    EXPECT_EQ(p.width, 1000);
    EXPECT_EQ(p.pixels[0], 0);
}

TEST(LoadBmpFile, MissingFile) {
    try {
        LoadBmpFile("/nonexistent/x.bmp");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "ﾌｧｲﾙ /nonexistent/x.bmp は開けません");
    }
}

} // namespace
} // namespace folivex
