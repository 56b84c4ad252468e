// Bitmap files: every format written and read back, the conversions of 16 and 32 bits,
// core headers, and a corpus of malformed files that must fail with their messages.
#include "DibTestSupport.h"

#include "dib/FxDIB.h"
#include "dib/FxDIBFile.h"

#include <sstream>

namespace folivex::dib::test {
namespace {

FxDIBDesc Read(const Bytes& file, OwnedDesc& owner) {
    std::istringstream in(file.Str());
    ReleaseMemory(owner.Desc());
    owner.Desc() = ReadDIB(in, false);
    return owner.Desc();
}

std::string Write(const FxDIBDesc& d) {
    std::ostringstream out;
    WriteDIB(out, d);
    return out.str();
}

std::uint32_t U32At(const std::string& s, std::size_t at) {
    return std::uint32_t(std::uint8_t(s[at])) | std::uint32_t(std::uint8_t(s[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(s[at + 2])) << 16 |
           std::uint32_t(std::uint8_t(s[at + 3])) << 24;
}

// A picture of each storable format, made with the library's own converters.
std::vector<std::pair<std::string, TFxDIB>> ClassicPictures() {
    TestPicture p(37, 23, 24);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x)
            p.SetBGR(x, y, (x / 6) * 40, (y / 4) * 40, ((x + y) / 10) * 60);
    std::vector<std::pair<std::string, TFxDIB>> pictures;
    const std::pair<const char*, FxPixelFormat> formats[] = {
        {"1", FxPixelFormat::Bit1},           {"4", FxPixelFormat::Bit4},
        {"4rle", FxPixelFormat::Bit4RLE},     {"8", FxPixelFormat::Bit8},
        {"8rle", FxPixelFormat::Bit8RLE},     {"24", FxPixelFormat::Bit24},
        {"halftone", FxPixelFormat::HalfTone}};
    for (auto [name, format] : formats) {
        TFxDIB dib;
        dib.Assign(p.desc);
        dib.KeyColor = 0x00000000; // black pixels become the mask's set bits
        if (format != FxPixelFormat::Bit24)
            dib.SetPixelFormat(format);
        pictures.emplace_back(name, dib);
    }
    TFxDIB topDown;
    p.desc.Header.biHeight = -23;
    topDown.Assign(p.desc);
    pictures.emplace_back("24 top-down", topDown);
    return pictures;
}

TEST(DibFile, EveryFormatIsWrittenAndReadBack) {
    for (auto& [name, dib] : ClassicPictures()) {
        std::ostringstream out;
        dib.SaveToStream(out);
        const std::string bytes = out.str();
        const FxDIBDesc& d = dib.Desc();
        EXPECT_EQ(U32At(bytes, 10), 54 + d.Header.biClrUsed * 4) << name;
        EXPECT_EQ(U32At(bytes, 2), bytes.size()) << name;
        TFxDIB back;
        std::istringstream in(bytes);
        back.LoadFromStream(in);
        const FxDIBDesc& b = back.Desc();
        EXPECT_EQ(back.PixelFormat(), dib.PixelFormat()) << name;
        EXPECT_EQ(b.Header.biWidth, 37) << name;
        EXPECT_EQ(b.Header.biHeight, d.Header.biHeight) << name;
        EXPECT_EQ(b.Header.biClrUsed, d.Header.biClrUsed) << name;
        EXPECT_EQ(b.Header.biSizeImage, d.Header.biSizeImage) << name;
        EXPECT_EQ(Block(b), Block(d)) << name;
        for (std::uint32_t i = 0; i < d.Header.biClrUsed; ++i)
            EXPECT_EQ(b.Colors[i], d.Colors[i]) << name << " colour " << i;
    }
}

TEST(DibFile, FourBitPictureWithSixteenColoursStartsPixelsAt118) {
    TestPicture p(3, 2, 4);
    EXPECT_EQ(U32At(Write(p.desc), 10), 118u);
}

TEST(DibFile, ZeroResolutionBecomes3780) {
    Bytes f = InfoFile(1, 1, 24, kBiRgb, 0, 54, 58);
    f.data[38] = f.data[42] = 0; // both resolutions
    f.data[39] = f.data[43] = 0;
    f.Fill(4, 9);
    OwnedDesc owner;
    const FxDIBDesc d = Read(f, owner);
    EXPECT_EQ(d.Header.biXPelsPerMeter, 3780);
    EXPECT_EQ(d.Header.biYPelsPerMeter, 3780);
    const std::string written = Write(d);
    EXPECT_EQ(U32At(written, 38), 3780u);
    EXPECT_EQ(U32At(written, 42), 3780u);
}

TEST(DibFile, EightBitWithoutColourCountHas256Colours) {
    for (std::uint32_t offset : {1077u, 1078u}) {
        Bytes f = InfoFile(2, 1, 8, kBiRgb, 0, offset, offset + 4);
        f.Fill(1024, 0x11).Fill(offset - 1078 + 4 + (offset < 1078 ? 1 : 0), 3);
        OwnedDesc owner;
        if (offset < 1078) {
            EXPECT_EQ(MessageOf<EFxDIBInvalidDIB>([&] { Read(f, owner); }),
                      "TFxInternalDIB.LoadFromFile: bfOffBits is too small");
        } else {
            EXPECT_EQ(Read(f, owner).Header.biClrUsed, 256u);
            EXPECT_EQ(Block(owner.Desc()), (std::vector<std::uint8_t>{3, 3, 3, 3}));
        }
    }
}

TEST(DibFile, SixteenBitsBecome24) {
    // Two pixels: pure red 0x7C00, and the 5-bit value 16 in every channel.
    const std::uint32_t value16 = 16u << 10 | 16u << 5 | 16u;
    for (int height : {1, -1}) {
        Bytes f = InfoFile(2, height, 16, kBiRgb, 0, 54, 58);
        f.U16(0x7C00).U16(value16);
        OwnedDesc owner;
        const FxDIBDesc d = Read(f, owner);
        EXPECT_EQ(d.Header.biBitCount, 24);
        EXPECT_EQ(d.Header.biHeight, height);
        EXPECT_EQ(Block(d), (std::vector<std::uint8_t>{0, 0, 255, 131, 131, 131, 0, 0}));
    }
}

TEST(DibFile, ThirtyTwoBitsWithMasksKeepTheirBytes) {
    Bytes f = InfoFile(2, -2, 32, kBiBitFields, 0, 66, 82);
    f.U32(0xFF0000).U32(0x00FF00).U32(0x0000FF);
    f.U32(0x00102030).U32(0x00FFFEFD).U32(0x00000001).U32(0x00800000);
    OwnedDesc owner;
    const FxDIBDesc d = Read(f, owner);
    EXPECT_EQ(d.Header.biCompression, kBiRgb);
    EXPECT_EQ(Block(d), (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 0xFD, 0xFE, 0xFF, 0, 0, 1, 0,
                                                   0, 0, 0, 0x80, 0, 0}));
}

TEST(DibFile, CoreHeaderIsWidened) {
    Bytes f;
    f.U8('B').U8('M').U32(26 + 8).U32(0).U32(26);
    f.U32(12).U16(2).U16(1).U16(1).U16(24);
    f.U8(1).U8(2).U8(3).U8(4).U8(5).U8(6).Fill(2);
    OwnedDesc owner;
    const FxDIBDesc d = Read(f, owner);
    EXPECT_EQ(d.Header.biSize, 40u);
    EXPECT_EQ(d.Header.biWidth, 2);
    EXPECT_EQ(d.Header.biBitCount, 24);
    EXPECT_EQ(d.Header.biXPelsPerMeter, 3780);
    EXPECT_EQ(Block(d), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 0, 0}));

    Bytes four;
    four.U8('B').U8('M').U32(0).U32(0).U32(26 + 48);
    four.U32(12).U16(1).U16(1).U16(1).U16(4);
    for (int i = 0; i < 16; ++i)
        four.U8(unsigned(i)).U8(unsigned(i * 2)).U8(unsigned(i * 3));
    four.U32(0x000000A0);
    const FxDIBDesc c = Read(four, owner);
    EXPECT_EQ(c.Header.biClrUsed, 16u);
    EXPECT_EQ(c.Colors[10], (FxRGBQuad{10, 20, 30, 0}));
}

TEST(DibFile, FileSizeFieldIsBoundedByTheStream) {
    // Compressed data: the size field claims far more than the stream holds.
    Bytes f = InfoFile(4, 1, 8, kBiRle8, 1, 58, 1u << 30);
    f.U32(0).U8(4).U8(0).U8(0).U8(1);
    OwnedDesc owner;
    EXPECT_EQ(Read(f, owner).Size, 4);
    // Uncompressed data: the rows are read, whatever the size field says.
    Bytes g = InfoFile(1, 1, 24, kBiRgb, 0, 54, 0);
    g.U32(0x00112233);
    EXPECT_EQ(Read(g, owner).Size, 4);
}

// Malformed files, each with the exception it must raise.
struct Malformed {
    const char* name;
    Bytes file;
    const char* message;
};

std::vector<Malformed> MalformedFiles() {
    const std::string read = kStreamReadError;
    std::vector<Malformed> m;
    m.push_back({"empty", Bytes{}, kStreamReadError});
    m.push_back({"truncated file header", Bytes().U8('B').U8('M').U32(100), kStreamReadError});
    m.push_back({"not BM", Bytes().U8('M').U8('B').Fill(60),
                 "TFxInternalDIB.LoadFromFile: File type is invalid"});
    m.push_back({"header size 64", InfoFile(1, 1, 24, 0, 0, 54, 58).Fill(30),
                 "TFxInternalDIB.LoadFromStream: Invalid Bitmap Header Size"});
    m.back().file.data[14] = 64;
    Bytes truncated = InfoFile(1, 1, 24, 0, 0, 54, 58);
    truncated.data.resize(30);
    m.push_back({"truncated info header", truncated, kStreamReadError});
    m.push_back({"bit count 7", InfoFile(1, 1, 7, 0, 0, 54, 58).Fill(4),
                 "TFxInternalDIB.LoadFromStream: Invalid BitCout"});
    m.push_back(
        {"core bit count 16",
         Bytes().U8('B').U8('M').U32(30).U32(0).U32(26).U32(12).U16(1).U16(1).U16(1).U16(16),
         "TFxInternalDIB.LoadFromStream: Invalid BitCount"});
    m.push_back({"zero width", InfoFile(0, 1, 24, 0, 0, 54, 58).Fill(4),
                 "TFxInternalDIB.LoadFromStream: Invalid Width or Height"});
    m.push_back({"zero height", InfoFile(1, 0, 24, 0, 0, 54, 58).Fill(4),
                 "TFxInternalDIB.LoadFromStream: Invalid Width or Height"});
    m.push_back({"least height", InfoFile(1, INT32_MIN, 24, 0, 0, 54, 58).Fill(4),
                 "TFxInternalDIB.LoadFromStream: Invalid Width or Height"});
    m.push_back({"huge size", InfoFile(0x7FFFFFFF, 0x7FFFFFFF, 24, 0, 0, 54, 58).Fill(4),
                 "TFxInternalDIB.LoadFromStream: Invalid Width or Height"});
    m.push_back({"huge 32-bit size", InfoFile(0x40000000, 4, 32, 0, 0, 54, 58).Fill(4),
                 "TFxInternalDIB.LoadFromStream: Invalid Width or Height"});
    m.push_back({"rows beyond the stream", InfoFile(30000, 30000, 8, 0, 2, 62, 70).Fill(16),
                 kStreamReadError});
    m.push_back({"16-bit rows beyond the stream", InfoFile(300, 300, 16, 0, 0, 54, 58).Fill(4),
                 kStreamReadError});
    m.push_back({"offset too small", InfoFile(1, 1, 24, 0, 0, 53, 58).Fill(5),
                 "TFxInternalDIB.LoadFromFile: bfOffBits is too small"});
    m.push_back({"offset beyond the stream", InfoFile(1, 1, 24, 0, 0, 5000, 5004).Fill(4),
                 kStreamReadError});
    m.push_back({"huge colour count", InfoFile(1, 1, 8, 0, 0xFFFFFFFF, 54, 58).Fill(1100),
                 kStreamReadError});
    m.push_back({"bit fields on 8 bits", InfoFile(1, 1, 8, kBiBitFields, 2, 74, 78).Fill(24),
                 "TFxInternalDIB.LoadFromStream: Invalid Compression"});
    m.push_back({"RLE on 24 bits", InfoFile(1, 1, 24, kBiRle8, 0, 54, 58).Fill(4),
                 "TFxInternalDIB.LoadFromStream: Invalid Compression"});
    m.push_back({"zero mask",
                 InfoFile(1, 1, 16, kBiBitFields, 0, 66, 70).U32(0x7C00).U32(0).U32(0x1F).Fill(4),
                 "TFxInternalDIB.LoadFromStream: Invalid Masks"});
    m.push_back(
        {"RLE without data", InfoFile(4, 1, 8, kBiRle8, 1, 58, 58).U32(0), kStreamReadError});
    return m;
}

TEST(DibFile, MalformedFilesFailWithTheirMessages) {
    for (const Malformed& m : MalformedFiles()) {
        TFxDIB dib;
        std::istringstream in(m.file.Str());
        EXPECT_EQ(MessageOf<EFxDIBError>([&] { dib.LoadFromStream(in); }), m.message) << m.name;
        EXPECT_TRUE(dib.Empty()) << m.name;
    }
    EXPECT_THROW(
        {
            std::istringstream in(Bytes().U8('M').U8('B').Fill(60).Str());
            TFxDIB().LoadFromStream(in);
        },
        EFxDIBInvalidDIBFile);
}

TEST(DibFile, BadRunLengthDataFailsWhenDecodedAndKeepsThePicture) {
    struct Case {
        int bits;
        std::vector<std::uint8_t> codes;
        const char* message;
    };
    const Case cases[] = {
        {8, {0, 0, 0, 0, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 1"},
        {8, {9, 1, 0, 1}, "Convert8BitRLETo8BitRGB: Bad RLE Data 4"},
        {8, {2, 1, 2, 1}, "Convert8BitRLETo8BitRGB: Unexpected End of RLE Data"},
        {4, {0, 2, 9, 0, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 6"},
        {4, {0, 7, 1, 2, 3, 4, 0, 1}, "Convert4BitRLETo4BitRGB: Bad RLE Data 7"},
    };
    for (const Case& c : cases) {
        const std::uint32_t colors = c.bits == 8 ? 2 : 16;
        const std::uint32_t offset = 54 + colors * 4;
        Bytes f = InfoFile(4, 1, c.bits, c.bits == 8 ? kBiRle8 : kBiRle4, colors, offset,
                           offset + std::uint32_t(c.codes.size()));
        f.Fill(colors * 4, 0x40).Append(c.codes);
        TFxDIB dib;
        std::istringstream in(f.Str());
        dib.LoadFromStream(in);
        const FxPixelFormat before = dib.PixelFormat();
        EXPECT_EQ(MessageOf<EFxDIBInvalidDIB>([&] { dib.SetPixelFormat(FxPixelFormat::Bit24); }),
                  c.message);
        EXPECT_EQ(dib.PixelFormat(), before);
        EXPECT_EQ(Block(dib.Desc()), c.codes);
    }
}

TEST(DibFile, RegistersAsDeviceIndependentBitmap) {
    EXPECT_EQ(FxDIBRegistration().Extension, "dib");
    EXPECT_EQ(FxDIBRegistration().Description, "Device Independent Bitmap");
}

} // namespace
} // namespace folivex::dib::test
