// Half-toning: the kernel's first steps on known colours, the serpentine order, the
// palette, and the refusal of formats it cannot read.
#include "DibTestSupport.h"

namespace folivex::dib::test {
namespace {

TEST(DibHalfTone, WhiteStaysWhite) {
    TestPicture p(9, 3, 24);
    p.FillBGR(255, 255, 255);
    OwnedDesc bw;
    ConvertToHalfToneBW(p.desc, bw.Desc(), false);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(RowOf(bw.Desc(), y), (std::vector<std::uint8_t>{0xFF, 0x80, 0, 0}));
    OwnedDesc color;
    ConvertToHalfTone(p.desc, color.Desc(), false);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(RowOf(color.Desc(), y)[std::size_t(x)], 209);
}

TEST(DibHalfTone, MidGreyAlternatesFromWhite) {
    TestPicture p(4, 2, 24);
    p.FillBGR(128, 128, 128);
    OwnedDesc bw;
    ConvertToHalfToneBW(p.desc, bw.Desc(), false);
    const FxDIBDesc& d = bw.Desc();
    EXPECT_EQ(d.Header.biBitCount, 1);
    EXPECT_EQ(d.Header.biClrUsed, 2u);
    EXPECT_EQ(d.Colors[0], (FxRGBQuad{0, 0, 0, 0}));
    EXPECT_EQ(d.Colors[1], (FxRGBQuad{255, 255, 255, 0}));
    // Sum 384 is white, error 127; the next pixel corrects to 81 and is black.
    EXPECT_EQ(d.Bits[0] & 0xC0, 0x80);
}

TEST(DibHalfTone, OddRowsRunRightToLeft) {
    // Row 0 is black but for a white last pixel; row 1 is mid-grey. Scanned from the
    // right, row 1's first pixel sees the white pixel's error above it and its
    // diagonal border; scanned from the left it would start without error and be white.
    TestPicture p(4, 2, 24);
    p.FillBGR(0, 0, 0);
    for (int x = 0; x < 4; ++x)
        p.SetBGR(x, 1, 140, 140, 140);
    p.SetBGR(3, 0, 255, 255, 255);
    OwnedDesc bw;
    ConvertToHalfToneBW(p.desc, bw.Desc(), false);
    // Row 1 from the right: pixel 3 has e = 0 (the white above had no error) -> white
    // (420 >= 384), error 115; pixel 2 gets e = 12 * 115 = 1380 -> 140 - 43 = 97 black.
    EXPECT_EQ(RowOf(bw.Desc(), 0)[0], 0x10);
    EXPECT_EQ(RowOf(bw.Desc(), 1)[0] & 0x30, 0x10);
}

TEST(DibHalfTone, ColourPicksLevelsAndPassesTheErrorOn) {
    TestPicture p(3, 1, 24);
    p.SetBGR(0, 0, 230, 128, 128);
    p.SetBGR(1, 0, 230, 128, 128);
    p.SetBGR(2, 0, 0, 0, 0);
    OwnedDesc out;
    ConvertToHalfTone(p.desc, out.Desc(), true);
    const FxDIBDesc& d = out.Desc();
    EXPECT_EQ(d.Header.biBitCount, 8);
    EXPECT_EQ(d.Header.biClrUsed, 215u);
    EXPECT_EQ(d.Bits[0], 157);
    // Red error -26: e = -312, corrected 230 + 9 = 239, red level 5; green and blue exact.
    EXPECT_EQ(d.Bits[1], 35 * 5 + 5 * 3 + 2);
    // Black pixel with red error -16: corrected 6, still level 0.
    EXPECT_EQ(d.Bits[2], 0);
    EXPECT_EQ(d.Colors[157], (FxRGBQuad{128, 128, 204, 0}));
    EXPECT_EQ(d.Colors[209], (FxRGBQuad{255, 255, 255, 0}));
    EXPECT_EQ(d.Colors[210], (FxRGBQuad{0, 0, 128, 0}));
    EXPECT_EQ(d.Colors[214], (FxRGBQuad{128, 128, 128, 0}));
}

TEST(DibHalfTone, BlackAndWhiteSourceComesOutUnchanged) {
    TestPicture p(11, 3, 1);
    p.desc.Colors[0] = FxRGBQuad{0, 0, 0, 0};
    p.desc.Colors[1] = FxRGBQuad{255, 255, 255, 0};
    Lcg rng(5);
    for (int y = 0; y < 3; ++y) {
        p.Row(y)[0] = std::uint8_t(rng.Next(256));
        p.Row(y)[1] = std::uint8_t(rng.Next(256)) & 0xE0;
    }
    OwnedDesc out;
    ConvertToHalfToneBW(p.desc, out.Desc(), false);
    EXPECT_EQ(Block(out.Desc()), p.bytes);
}

TEST(DibHalfTone, ExtremeColoursStayInsideThePalette) {
    // Saturated alternating colours drive the corrected values far from 0..255.
    TestPicture p(64, 64, 24);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            p.SetBGR(x, y, (x + y) % 2 ? 255 : 0, (x * y) % 3 ? 0 : 255, x % 5 ? 255 : 0);
    OwnedDesc out;
    ConvertToHalfTone(p.desc, out.Desc(), false);
    for (int y = 0; y < 64; ++y)
        for (std::uint8_t v : RowOf(out.Desc(), y))
            EXPECT_LT(v, 210);
}

TEST(DibHalfTone, RefusesCompressedAndOddBitCounts) {
    TestPicture rle(4, 1, 8, kBiRle8);
    OwnedDesc out;
    EXPECT_EQ(
        MessageOf<EFxDIBAssertionFailed>([&] { ConvertToHalfTone(rle.desc, out.Desc(), false); }),
        "ConvertToHalfTone: Invalid DIB Format");
    TestPicture sixteen(4, 1, 16);
    EXPECT_EQ(MessageOf<EFxDIBAssertionFailed>(
                  [&] { ConvertToHalfToneBW(sixteen.desc, out.Desc(), false); }),
              "ConvertToHalfToneBW: Invalid Bit Count");
}

} // namespace
} // namespace folivex::dib::test
