// The pixel-format setter: every chain between the formats, change notifications,
// progress, sharing, and failures that keep the old picture.
#include "DibTestSupport.h"

#include "dib/FxDIB.h"

#include <sstream>

namespace folivex::dib::test {
namespace {

using F = FxPixelFormat;

// Few colours in long runs: compressible, and exact in 4 bits.
TestPicture Stripes(int width, int height) {
    TestPicture p(width, height, 24);
    const int colours[4][3] = {{0, 0, 0}, {255, 255, 255}, {200, 30, 30}, {30, 30, 200}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int* c = colours[(x / 16 + y / 8) % 4];
            p.SetBGR(x, y, c[0], c[1], c[2]);
        }
    return p;
}

FxRGB ColorAt(const TFxDIB& dib, int x, int y) {
    TFxDIB copy(dib);
    copy.SetPixelFormat(F::Bit24);
    const FxDIBDesc& d = copy.Desc();
    const std::uint8_t* p = d.Bits + y * RowStride(d.Header.biWidth, 24) + 3 * x;
    return FxRGB{p[2], p[1], p[0]};
}

TEST(DibPixelFormat, EveryChainReachesItsTarget) {
    const TestPicture p = Stripes(96, 40);
    const F storable[] = {F::Bit1, F::Bit4, F::Bit4RLE, F::Bit8, F::Bit8RLE, F::Bit24};
    for (int quality : {0, 1}) {
        for (F from : storable) {
            TFxDIB source;
            source.Quality = quality;
            source.KeyColor = 0x00FFFFFF;
            source.Assign(p.desc);
            if (from != F::Bit24)
                source.SetPixelFormat(from);
            ASSERT_EQ(source.PixelFormat(), from);
            for (F to : {F::Bit1, F::Bit4, F::Bit4RLE, F::Bit8, F::Bit8RLE, F::Bit24, F::HalfTone,
                         F::HalfToneBW}) {
                if (to == from)
                    continue;
                TFxDIB dib(source);
                dib.SetPixelFormat(to);
                const F expected = to == F::HalfTone ? F::Bit8 : to == F::HalfToneBW ? F::Bit1 : to;
                EXPECT_EQ(dib.PixelFormat(), expected) << int(from) << " -> " << int(to);
                EXPECT_EQ(dib.Width(), 96);
                EXPECT_EQ(dib.Height(), 40);
                // Four colours survive every step that keeps at least 4 bits.
                if (from != F::Bit1 && to != F::Bit1 && to != F::HalfTone && to != F::HalfToneBW) {
                    EXPECT_EQ(ColorAt(dib, 20, 3), (FxRGB{255, 255, 255}))
                        << int(from) << " -> " << int(to);
                }
            }
        }
    }
}

TEST(DibPixelFormat, WhiteKeyColourMarksWhitePixels) {
    const TestPicture p = Stripes(64, 8);
    TFxDIB dib;
    dib.KeyColor = 0x00FFFFFF;
    dib.Assign(p.desc);
    dib.SetPixelFormat(F::Bit1);
    // Pixels 16..31 of row 0 are white.
    EXPECT_EQ(RowOf(dib.Desc(), 0), (std::vector<std::uint8_t>{0, 0, 0xFF, 0xFF, 0, 0, 0, 0}));

    TFxDIB system;
    system.KeyColor = 0x80000005; // a system colour, resolved before use
    system.SystemColorResolver = [](std::uint32_t c) { return c == 0x80000005 ? 0x00FFFFFFu : 0u; };
    system.Assign(p.desc);
    system.SetPixelFormat(F::Bit1);
    EXPECT_EQ(Block(system.Desc()), Block(dib.Desc()));
}

TEST(DibPixelFormat, SameFormatDoesNothing) {
    const TestPicture p = Stripes(32, 8);
    TFxDIB dib;
    dib.Assign(p.desc);
    int changes = 0;
    dib.OnChange = [&] { ++changes; };
    const std::uint8_t* before = dib.Desc().Bits;
    dib.SetPixelFormat(F::Bit24);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(dib.Desc().Bits, before);
    EXPECT_FALSE(dib.PaletteModified);
    dib.SetPixelFormat(F::Bit8);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(dib.PaletteModified);
}

TEST(DibPixelFormat, FailedCompressionKeeps24Bits) {
    TestPicture p(2, 2, 24);
    p.SetBGR(0, 0, 1, 2, 3);
    p.SetBGR(1, 0, 4, 5, 6);
    p.SetBGR(0, 1, 7, 8, 9);
    p.SetBGR(1, 1, 10, 11, 12);
    for (auto [target, message] :
         {std::pair{F::Bit8RLE, "Convert8BitRGBTo8BitRLE: Compression Failed"},
          std::pair{F::Bit4RLE, "Convert4BitRGBTo4BitRLE: Compression Failed"}}) {
        TFxDIB dib;
        dib.Quality = 1;
        dib.Assign(p.desc);
        int changes = 0;
        dib.OnChange = [&] { ++changes; };
        EXPECT_EQ(MessageOf<EFxDIBCompressionFailed>([&] { dib.SetPixelFormat(target); }), message);
        EXPECT_EQ(dib.PixelFormat(), F::Bit24);
        EXPECT_EQ(Block(dib.Desc()), p.bytes);
        EXPECT_EQ(changes, 0);
    }
}

TEST(DibPixelFormat, HalfToningACompressedPictureDecodesItFirst) {
    const TestPicture p = Stripes(64, 16);
    TFxDIB dib;
    dib.Assign(p.desc);
    dib.SetPixelFormat(F::Bit4RLE);
    dib.SetPixelFormat(F::HalfTone);
    EXPECT_EQ(dib.PixelFormat(), F::Bit8);
    EXPECT_EQ(dib.Desc().Header.biClrUsed, 215u);
}

TEST(DibPixelFormat, BackTo8BitsBuildsANewPalette) {
    TestPicture p(8, 2, 8);
    for (int i = 0; i < 256; ++i)
        p.desc.Colors[std::size_t(i)] = FxRGBQuad{std::uint8_t(i), 0, 0, 0};
    for (int x = 0; x < 8; ++x)
        p.Row(0)[x] = p.Row(1)[x] = std::uint8_t(x < 4 ? 10 : 250);
    TFxDIB dib;
    dib.Assign(p.desc);
    dib.SetPixelFormat(F::Bit24);
    dib.SetPixelFormat(F::Bit8);
    const FxDIBDesc& d = dib.Desc();
    ASSERT_EQ(d.Header.biClrUsed, 2u);
    // Blue varies: the larger blue comes first.
    EXPECT_EQ(d.Colors[0], (FxRGBQuad{250, 0, 0, 0}));
    EXPECT_EQ(d.Colors[1], (FxRGBQuad{10, 0, 0, 0}));
    EXPECT_EQ(d.Bits[0], 1);
    EXPECT_EQ(d.Bits[7], 0);
}

TEST(DibPixelFormat, ReportsProgressForPaletteBuilds) {
    const TestPicture p = Stripes(32, 8);
    struct Case {
        F from;
        F to;
        const char* message;
        int steps;
    };
    const Case cases[] = {
        {F::Bit24, F::Bit8, "PixelFormat 24Bit -> 8Bit", 256},
        {F::Bit24, F::Bit4RLE, "PixelFormat 24Bit -> 4BitRLE", 16},
        {F::Bit8, F::Bit4, "PixelFormat 8Bit -> 4Bit", 16},
        {F::Bit8RLE, F::Bit4RLE, "PixelFormat 8BitRLE -> 4BitRLE", 16},
        {F::Bit8, F::Bit24, nullptr, 0},
    };
    for (const Case& c : cases) {
        TFxDIB dib;
        dib.Assign(p.desc);
        if (c.from != F::Bit24)
            dib.SetPixelFormat(c.from);
        std::vector<std::pair<FxProgressStage, int>> seen;
        std::string message;
        dib.OnProgress = [&](FxProgressStage stage, int percent, const std::string& text) {
            seen.emplace_back(stage, percent);
            message = text;
        };
        dib.SetPixelFormat(c.to);
        if (c.message == nullptr) {
            EXPECT_TRUE(seen.empty());
            continue;
        }
        EXPECT_EQ(message, c.message);
        ASSERT_EQ(seen.size(), std::size_t(c.steps + 2)) << c.message;
        EXPECT_EQ(seen.front().first, FxProgressStage::Starting);
        EXPECT_EQ(seen[std::size_t(c.steps)].second, 100);
        EXPECT_EQ(seen.back().first, FxProgressStage::Ending);
    }
}

TEST(DibPixelFormat, CopiesShareUntilOneChanges) {
    const TestPicture p = Stripes(32, 8);
    TFxDIB a;
    a.Assign(p.desc);
    TFxDIB b(a);
    EXPECT_TRUE(a.SharesPixelsWith(b));
    b.SetPixelFormat(F::Bit8);
    EXPECT_FALSE(a.SharesPixelsWith(b));
    EXPECT_EQ(a.PixelFormat(), F::Bit24);
    EXPECT_EQ(Block(a.Desc()), p.bytes);
}

TEST(DibPixelFormat, RefusesWhatItCannotDo) {
    TFxDIB empty;
    EXPECT_EQ(MessageOf<EFxDIBAssertionFailed>([&] { (void)empty.PixelFormat(); }),
              "TFxDIB.GetPixelFormat: InternalDIB Should not be Nil");
    std::ostringstream out;
    EXPECT_EQ(MessageOf<EFxDIBAssertionFailed>([&] { empty.SaveToStream(out); }),
              "TFxDIB.SaveToStream: InternalDIB Should not be Nil");
    const TestPicture p = Stripes(32, 8);
    TFxDIB dib;
    dib.Assign(p.desc);
    dib.Quality = 2;
    EXPECT_EQ(MessageOf<EFxDIBAssertionFailed>([&] { dib.SetPixelFormat(F::Bit8); }),
              "TFxIntenalDIB.SetPixelsFormat: PixelFormat Error");
    EXPECT_EQ(MessageOf<EFxDIBAssertionFailed>([&] { dib.SetPixelFormat(FxPixelFormat(9)); }),
              "TFxIntenalDIB.SetPixelsFormat: PixelFormat Error");
    EXPECT_EQ(dib.PixelFormat(), F::Bit24);
}

TEST(DibPixelFormat, SectionMemoryWorksLikeHeapMemory) {
    const TestPicture p = Stripes(64, 16);
    TFxDIB heap;
    TFxDIB mapped;
    mapped.UseSection = true;
    heap.Assign(p.desc);
    mapped.Assign(p.desc);
    EXPECT_TRUE(mapped.Desc().Mapped);
    for (F f : {F::Bit8RLE, F::Bit4, F::HalfTone, F::Bit24}) {
        heap.SetPixelFormat(f);
        mapped.SetPixelFormat(f);
        EXPECT_TRUE(mapped.Desc().Mapped);
        EXPECT_EQ(Block(mapped.Desc()), Block(heap.Desc()));
    }
}

} // namespace
} // namespace folivex::dib::test
