// Colour reduction: palettes built by the split, the numbering of their colours, the
// progress steps, the 8-to-4-bit reduction and the key-colour masks.
#include "DibTestSupport.h"

#include <map>

namespace folivex::dib::test {
namespace {

using Reducer = void (*)(const FxDIBDesc&, FxDIBDesc&, bool, const FxProgressMethod&);

struct ReducerCase {
    const char* name;
    Reducer reduce;
    int bits;
    int steps;
};

const ReducerCase kReducers[] = {
    {"8 low", ConvertTrueColorTo8BitRGBLow, 8, 256},
    {"4 low", ConvertTrueColorTo4BitRGBLow, 4, 16},
    {"8 high", ConvertTrueColorTo8BitRGBHigh, 8, 256},
    {"4 high", ConvertTrueColorTo4BitRGBHigh, 4, 16},
};

std::uint8_t IndexAt(const FxDIBDesc& d, int x, int y) {
    const std::uint8_t* row = d.Bits + y * RowStride(d.Header.biWidth, d.Header.biBitCount);
    if (d.Header.biBitCount == 8)
        return row[x];
    if (d.Header.biBitCount == 4)
        return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

TEST(DibReduce, OneColourGivesOnePaletteColourAndEveryProgressStep) {
    for (const ReducerCase& c : kReducers) {
        TestPicture p(5, 3, 24);
        p.FillBGR(10, 200, 77);
        int calls = 0;
        OwnedDesc out;
        c.reduce(p.desc, out.Desc(), false, [&](int arg) {
            EXPECT_EQ(arg, 0);
            ++calls;
        });
        const FxDIBDesc& d = out.Desc();
        EXPECT_EQ(calls, c.steps) << c.name;
        EXPECT_EQ(d.Header.biClrUsed, 1u) << c.name;
        EXPECT_EQ(d.Header.biBitCount, c.bits);
        EXPECT_EQ(d.Colors[0], (FxRGBQuad{77, 200, 10, 0})) << c.name;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(IndexAt(d, x, y), 0);
    }
}

TEST(DibReduce, TwoColoursSplitOnRedWithTheLargerRedFirst) {
    for (const ReducerCase& c : kReducers) {
        TestPicture p(4, 2, 24);
        p.FillBGR(100, 60, 30);
        p.SetBGR(1, 0, 108, 60, 30);
        p.SetBGR(2, 1, 108, 60, 30);
        OwnedDesc out;
        c.reduce(p.desc, out.Desc(), true, {});
        const FxDIBDesc& d = out.Desc();
        ASSERT_EQ(d.Header.biClrUsed, 2u) << c.name;
        EXPECT_EQ(d.Colors[0], (FxRGBQuad{30, 60, 108, 0})) << c.name;
        EXPECT_EQ(d.Colors[1], (FxRGBQuad{30, 60, 100, 0})) << c.name;
        EXPECT_EQ(IndexAt(d, 1, 0), 0);
        EXPECT_EQ(IndexAt(d, 2, 1), 0);
        EXPECT_EQ(IndexAt(d, 0, 0), 1);
        EXPECT_EQ(IndexAt(d, 3, 1), 1);
    }
}

TEST(DibReduce, LowQualityMapsEqualKeysToOneIndex) {
    // (100, 50, 50) and (101, 51, 49) share the 5-6-5 key; (200, 10, 10) does not.
    TestPicture p(3, 1, 24);
    p.SetBGR(0, 0, 100, 50, 50);
    p.SetBGR(1, 0, 101, 51, 49);
    p.SetBGR(2, 0, 200, 10, 10);
    OwnedDesc out;
    ConvertTrueColorTo8BitRGBLow(p.desc, out.Desc(), false, {});
    EXPECT_EQ(out.Desc().Header.biClrUsed, 2u);
    EXPECT_EQ(IndexAt(out.Desc(), 0, 0), IndexAt(out.Desc(), 1, 0));
    EXPECT_NE(IndexAt(out.Desc(), 0, 0), IndexAt(out.Desc(), 2, 0));
    // The cell holds the integer mean of its pixels: (100.5, 50.5, 49.5) -> (100, 50, 49).
    EXPECT_EQ(out.Desc().Colors[IndexAt(out.Desc(), 0, 0)], (FxRGBQuad{49, 50, 100, 0}));
}

TEST(DibReduce, ManyColoursFillThePaletteAndMapNearby) {
    TestPicture p(64, 64, 24);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            p.SetBGR(x, y, x * 4, y * 4, (x + y) * 2);
    for (const ReducerCase& c : kReducers) {
        OwnedDesc out;
        c.reduce(p.desc, out.Desc(), false, {});
        const FxDIBDesc& d = out.Desc();
        EXPECT_EQ(d.Header.biClrUsed, std::uint32_t(c.steps)) << c.name;
        // Each pixel's palette colour stays near its own colour.
        const int tolerance = c.bits == 8 ? 40 : 90;
        for (int y = 0; y < 64; y += 7)
            for (int x = 0; x < 64; x += 5) {
                const FxRGBQuad q = d.Colors[IndexAt(d, x, y)];
                EXPECT_LE(std::abs(q.Red - x * 4) + std::abs(q.Green - y * 4) +
                              std::abs(q.Blue - (x + y) * 2),
                          tolerance)
                    << c.name << " at " << x << "," << y;
            }
    }
}

TEST(DibReduce, EightToFourBitsUsesOnlyTheUsedColours) {
    TestPicture p(10, 4, 8);
    for (int i = 0; i < 256; ++i)
        p.desc.Colors[std::size_t(i)] = FxRGBQuad{std::uint8_t(i), std::uint8_t(255 - i), 7, 0};
    const std::uint8_t used[10] = {3, 17, 40, 41, 90, 128, 129, 200, 250, 255};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x)
            p.Row(y)[x] = used[(x + y) % 10];
    int calls = 0;
    OwnedDesc out;
    Convert8BitRGBTo4BitRGB(p.desc, out.Desc(), false, [&](int) { ++calls; });
    const FxDIBDesc& d = out.Desc();
    EXPECT_EQ(calls, 16);
    EXPECT_EQ(d.Header.biBitCount, 4);
    EXPECT_LE(d.Header.biClrUsed, 10u);
    // Pixels of one old index share their new one.
    std::map<int, int> newIndex;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) {
            const int old = used[(x + y) % 10];
            const int now = IndexAt(d, x, y);
            EXPECT_LT(now, int(d.Header.biClrUsed));
            auto [it, fresh] = newIndex.emplace(old, now);
            EXPECT_EQ(it->second, now) << "old index " << old;
        }
    p.desc.Header.biCompression = kBiRle8;
    EXPECT_EQ(MessageOf<EFxDIBBadDIBType>(
                  [&] { Convert8BitRGBTo4BitRGB(p.desc, out.Desc(), false, {}); }),
              "Convert8BitRGBTo4BitRGB: Invalid Bitcount or Compression");
}

TEST(DibReduce, ReducersRefuseOtherBitCounts) {
    TestPicture p(4, 4, 8);
    OwnedDesc out;
    for (const ReducerCase& c : kReducers) {
        const std::string message =
            MessageOf<EFxDIBBadDIBType>([&] { c.reduce(p.desc, out.Desc(), false, {}); });
        EXPECT_TRUE(message.ends_with(": Invalid Bitcount")) << message;
    }
    EXPECT_EQ(MessageOf<EFxDIBBadDIBType>(
                  [&] { ConvertTrueColorTo1BitRGB(p.desc, out.Desc(), false, {}); }),
              "ConvertTrueColorTo1BitRGB: Invalid Bitcount");
}

TEST(DibReduce, KeyColourMaskMarksExactMatchesOnly) {
    TestPicture p(10, 2, 24);
    p.FillBGR(1, 2, 3);
    p.SetBGR(0, 0, 1, 2, 4);
    p.SetBGR(9, 1, 0, 2, 3);
    OwnedDesc out;
    ConvertTrueColorTo1BitRGB(p.desc, out.Desc(), false, FxRGB{1, 2, 3});
    const FxDIBDesc& d = out.Desc();
    EXPECT_EQ(d.Header.biBitCount, 1);
    EXPECT_EQ(d.Header.biClrUsed, 2u);
    EXPECT_EQ(RowOf(d, 0), (std::vector<std::uint8_t>{0x7F, 0xC0, 0, 0}));
    EXPECT_EQ(RowOf(d, 1), (std::vector<std::uint8_t>{0xFF, 0x80, 0, 0}));

    // From indexed pictures the colour of each pixel's table entry decides.
    TestPicture four(3, 1, 4);
    four.desc.Colors[5] = FxRGBQuad{3, 2, 1, 0};
    four.desc.Colors[6] = FxRGBQuad{3, 2, 1, 0};
    four.Row(0)[0] = 0x56;
    four.Row(0)[1] = 0x70;
    OwnedDesc mask4;
    Convert4BitRGBTo1BitRGB(four.desc, mask4.Desc(), false, FxRGB{1, 2, 3});
    EXPECT_EQ(mask4.Desc().Bits[0], 0xC0);
}

TEST(DibReduce, DivideCellsNumbersTheUpperHalfFirst) {
    std::vector<FxColorCell> cells = {
        {0, 0, 0, 5, 0}, {250, 0, 0, 5, 1}, {0, 0, 250, 1, 2}, {250, 0, 250, 1, 3}};
    FxPaletteBuild palette;
    int calls = 0;
    DivideCells(0, 4, 0, 1, palette, cells, [&](int) { ++calls; });
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(palette.Count, 2);
    // Red varies most; the cells above the red mean become colour 0.
    EXPECT_EQ(palette.Palette[0].Red, 250);
    EXPECT_EQ(palette.Palette[1].Red, 0);
    std::map<int, int> byKey;
    for (const FxColorCell& c : cells)
        byKey[c.Key] = c.Weight;
    EXPECT_EQ(byKey, (std::map<int, int>{{0, 1}, {1, 0}, {2, 1}, {3, 0}}));
}

} // namespace
} // namespace folivex::dib::test
