// Run-length codecs: the exact codes the encoders write, their room checks, the
// decoders' refusals of malformed data, and encode/decode round trips.
#include "DibTestSupport.h"

namespace folivex::dib::test {
namespace {

using V = std::vector<std::uint8_t>;

std::vector<std::uint8_t> Encode(TestPicture& p) {
    OwnedDesc out;
    if (p.desc.Header.biBitCount == 8)
        Convert8BitRGBTo8BitRLE(p.desc, out.Desc(), false);
    else
        Convert4BitRGBTo4BitRLE(p.desc, out.Desc(), false);
    EXPECT_EQ(out.Desc().Header.biSizeImage, std::uint32_t(out.Desc().Size));
    return Block(out.Desc());
}

TestPicture OneRow(int bits, int width, const V& bytes) {
    TestPicture p(width, 1, bits);
    std::copy(bytes.begin(), bytes.end(), p.Row(0));
    return p;
}

V Concat(V a, const V& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(DibRle, EncoderWritesTheExpectedCodes) {
    struct Case {
        const char* name;
        int bits;
        int width;
        V row;
        V codes;
    };
    const std::vector<Case> cases = {
        {"300 equal bytes", 8, 300, V(300, 7), {255, 7, 45, 7, 0, 0, 0, 1}},
        {"short literal becomes runs of one",
         8,
         300,
         Concat({1, 2, 3, 3}, V(296, 9)),
         {1, 1, 1, 2, 2, 3, 255, 9, 41, 9, 0, 0, 0, 1}},
        {"odd absolute run is padded",
         8,
         300,
         Concat({1, 2, 3, 4, 5}, V(295, 0)),
         {0, 5, 1, 2, 3, 4, 5, 0, 255, 0, 40, 0, 0, 0, 0, 1}},
        {"4-bit run ends on the row's odd pixel",
         4,
         261,
         V(131, 0x12),
         {254, 0x12, 7, 0x12, 0, 0, 0, 1}},
        {"4-bit absolute run counts pixels",
         4,
         300,
         Concat({0x12, 0x34, 0x56}, V(147, 0x77)),
         {0, 6, 0x12, 0x34, 0x56, 0, 254, 0x77, 40, 0x77, 0, 0, 0, 1}},
        {"4-bit single byte literal is a run",
         4,
         300,
         Concat({0x12}, V(149, 0x77)),
         {2, 0x12, 254, 0x77, 44, 0x77, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        TestPicture p = OneRow(c.bits, c.width, c.row);
        EXPECT_EQ(Encode(p), c.codes) << c.name;
    }
}

TEST(DibRle, SmallPicturesFailTheRoomCheck) {
    TestPicture row = OneRow(8, 5, {1, 2, 3, 4, 5});
    EXPECT_EQ(MessageOf<EFxDIBCompressionFailed>([&] { Encode(row); }),
              "Convert8BitRGBTo8BitRLE: Compression Failed");
    TestPicture square(2, 2, 8);
    square.Row(0)[0] = 1;
    square.Row(0)[1] = 2;
    square.Row(1)[0] = 3;
    square.Row(1)[1] = 4;
    EXPECT_EQ(MessageOf<EFxDIBCompressionFailed>([&] { Encode(square); }),
              "Convert8BitRGBTo8BitRLE: Compression Failed");
    // Five equal 4-bit pixels need 6 bytes of room, the picture has 4.
    TestPicture four = OneRow(4, 5, {0x11, 0x11, 0x10});
    EXPECT_EQ(MessageOf<EFxDIBCompressionFailed>([&] { Encode(four); }),
              "Convert4BitRGBTo4BitRLE: Compression Failed");
}

TEST(DibRle, ConvertersRefuseOtherFormats) {
    TestPicture p(4, 1, 24);
    OwnedDesc out;
    EXPECT_EQ(
        MessageOf<EFxDIBBadDIBType>([&] { Convert8BitRGBTo8BitRLE(p.desc, out.Desc(), false); }),
        "Convert8BitRGBTo8BitRLE: Invalid Bitcount & Compression Combination");
    EXPECT_EQ(
        MessageOf<EFxDIBBadDIBType>([&] { Convert4BitRGBTo4BitRLE(p.desc, out.Desc(), false); }),
        "Convert4BitRGBTo4BitRLE: Invalid Bitcount & Compression Combination");
    EXPECT_EQ(
        MessageOf<EFxDIBBadDIBType>([&] { Convert8BitRLETo8BitRGB(p.desc, out.Desc(), false); }),
        "Convert8BitRLETo8BitRGB: Invalid Bitcount & Compression Combination");
    EXPECT_EQ(
        MessageOf<EFxDIBBadDIBType>([&] { Convert4BitRLETo4BitRGB(p.desc, out.Desc(), false); }),
        "Convert4BitRLETo4BitRGB: Invalid Bitcount & Compression Combination");
    EXPECT_EQ(out.Desc().Bits, nullptr);
}

std::vector<std::uint8_t> Decode(int bits, int width, int height, const V& codes) {
    TestPicture p(width, height, bits, bits == 8 ? kBiRle8 : kBiRle4);
    p.SetBlock(codes);
    OwnedDesc out;
    if (bits == 8)
        Convert8BitRLETo8BitRGB(p.desc, out.Desc(), true);
    else
        Convert4BitRLETo4BitRGB(p.desc, out.Desc(), true);
    EXPECT_EQ(out.Desc().Header.biCompression, kBiRgb);
    EXPECT_EQ(out.Desc().Header.biHeight, height);
    return Block(out.Desc());
}

TEST(DibRle, DecoderAcceptsWellFormedData) {
    // An end of line for the last row followed by the end of bitmap.
    EXPECT_EQ(Decode(8, 5, 1, {2, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 1}), (V{5, 5, 1, 2, 3, 0, 0, 0}));
    // A delta skips pixels, which stay 0.
    EXPECT_EQ(Decode(8, 4, 2, {0, 2, 1, 1, 2, 9, 0, 1}), (V{0, 0, 0, 0, 0, 9, 9, 0}));
    // Width 3 in 4 bits: runs may reach x = 4, the padding half of the last byte.
    EXPECT_EQ(Decode(4, 3, 1, {4, 0x12, 0, 1}), (V{0x12, 0x12, 0, 0}));
    EXPECT_EQ(Decode(4, 3, 1, {3, 0x12, 0, 1}), (V{0x12, 0x10, 0, 0}));
    // A 4-bit absolute run of three pixels reads two bytes.
    EXPECT_EQ(Decode(4, 8, 1, {1, 0x90, 0, 3, 0xAB, 0xC0, 0, 1}), (V{0x9A, 0xBC, 0, 0}));
}

TEST(DibRle, DecoderRefusesMalformedData) {
    struct Case {
        int bits;
        int width;
        int height;
        V codes;
        const char* message;
    };
    const std::vector<Case> cases = {
        {8, 4, 1, {0, 0, 0, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 1"},
        {8, 4, 1, {0, 2, 5, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {8, 4, 1, {0, 2, 0, 2, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 2"},
        {8, 4, 1, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 3"},
        {8, 4, 1, {5, 7, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {8, 4, 1, {0, 0, 1, 1, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {8, 4, 1, {}, "Convert8BitRLETo8BitRGB: Unexpected End of RLE Data"},
        {8, 4, 1, {2, 7}, "Convert8BitRLETo8BitRGB: Unexpected End of RLE Data"},
        {8, 4, 1, {0, 3, 1, 2}, "Convert8BitRLETo8BitRGB: Unexpected End of RLE Data"},
        {8, 4, 1, {0, 2, 1}, "Convert8BitRLETo8BitRGB: Unexpected End of RLE Data"},
        {4, 3, 1, {0, 0, 0, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 5"},
        {4, 3, 1, {0, 2, 5, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 6"},
        {4, 3, 1, {0, 5, 0x12, 0x34, 0x50, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 7"},
        {4, 3, 1, {5, 0x12, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 8"},
        {4, 8, 1, {0, 5, 0x12, 0x34}, "Convert4BitRLETo4BitRGB: Unexpected End of RLE Data"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageOf<EFxDIBInvalidDIB>([&] { Decode(c.bits, c.width, c.height, c.codes); }),
                  c.message)
            << testing::PrintToString(c.codes);
    }
}

// Rows of runs and literals of random lengths, so that the picture compresses.
TestPicture RunsPicture(int bits, int width, int height, std::uint32_t seed) {
    TestPicture p(width, height, bits);
    Lcg rng(seed);
    const int rowBytes = bits == 8 ? width : (width + 1) / 2;
    for (int y = 0; y < std::abs(height); ++y) {
        int x = 0;
        while (x < rowBytes) {
            const int len = std::min<int>(rowBytes - x, 1 + int(rng.Next(rng.Next(2) ? 300 : 4)));
            const std::uint8_t v = std::uint8_t(rng.Next(256));
            const bool literal = rng.Next(3) == 0;
            for (int i = 0; i < len; ++i)
                p.Row(y)[x + i] = literal ? std::uint8_t(rng.Next(256)) : v;
            x += len;
        }
        // The padding half of an odd 4-bit row is not a pixel.
        if (bits == 4 && width % 2 == 1)
            p.Row(y)[rowBytes - 1] &= 0xF0;
    }
    return p;
}

TEST(DibRle, EncodeThenDecodeGivesTheInput) {
    for (int bits : {8, 4}) {
        for (int width : {1, 7, 64, 255, 256, 300, 601}) {
            for (int height : {16, -16}) {
                TestPicture p = RunsPicture(bits, width, height, std::uint32_t(width * 31 + bits));
                OwnedDesc rle;
                OwnedDesc back;
                try {
                    if (bits == 8) {
                        Convert8BitRGBTo8BitRLE(p.desc, rle.Desc(), true);
                        Convert8BitRLETo8BitRGB(rle.Desc(), back.Desc(), false);
                    } else {
                        Convert4BitRGBTo4BitRLE(p.desc, rle.Desc(), true);
                        Convert4BitRLETo4BitRGB(rle.Desc(), back.Desc(), false);
                    }
                } catch (const EFxDIBCompressionFailed&) {
                    ASSERT_LE(width, 7) << "only tiny pictures may not compress";
                    continue;
                }
                ASSERT_EQ(back.Desc().Header.biHeight, 16);
                for (int y = 0; y < 16; ++y) {
                    // The encoder always writes bottom-up rows.
                    const int from = height < 0 ? 15 - y : y;
                    EXPECT_EQ(RowOf(back.Desc(), y), RowOf(p.desc, from))
                        << bits << " bits, width " << width << ", row " << y;
                }
            }
        }
    }
}

} // namespace
} // namespace folivex::dib::test
