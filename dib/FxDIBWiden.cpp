// Widening converters and key-colour masks of the DIB library: conversions that keep
// every pixel's colour, or mark the pixels of one colour.
#include "dib/FxDIBConvert.h"
#include "dib/FxDIBError.h"
#include "dib/FxDIBPixel.h"

namespace folivex::dib {
namespace {

void RequireIndexed(const FxDIBDesc& src, int bits, std::string_view name) {
    if (src.Header.biBitCount != bits || src.Header.biCompression != kBiRgb)
        throw EFxDIBBadDIBType(Message(name, "Invalid Bitcount & Compression Combination"));
    RequireRows(src, name);
}

// Copies indices into a wider index format; the colour table stays as it is.
void WidenIndices(const FxDIBDesc& src, FxDIBDesc& dst, bool section, int from, int to,
                  std::string_view name) {
    RequireIndexed(src, from, name);
    const std::int64_t width = src.Header.biWidth;
    const std::int64_t rows = AbsHeight(src.Header.biHeight);
    const std::int64_t stride = RowStride(width, to);
    PixelBlock block(CheckedBlockSize(stride, rows, name), section);
    for (std::int64_t y = 0; y < rows; ++y) {
        const std::uint8_t* in = SourceRow(src, y);
        std::uint8_t* out = block.Bits() + y * stride;
        for (std::int64_t x = 0; x < width; ++x)
            PutIndex(out, x, to, GetIndex(in, x, from));
    }
    dst = MakeOutput(src, block, to, nullptr, 0);
}

// Writes every pixel's colour from the colour table as 24 bits.
void WidenToTrueColor(const FxDIBDesc& src, FxDIBDesc& dst, bool section, int from,
                      std::string_view name) {
    RequireIndexed(src, from, name);
    const std::int64_t width = src.Header.biWidth;
    const std::int64_t rows = AbsHeight(src.Header.biHeight);
    const std::int64_t stride = RowStride(width, 24);
    PixelBlock block(CheckedBlockSize(stride, rows, name), section);
    for (std::int64_t y = 0; y < rows; ++y) {
        const std::uint8_t* in = SourceRow(src, y);
        std::uint8_t* out = block.Bits() + y * stride;
        for (std::int64_t x = 0; x < width; ++x) {
            const FxRGB c = PixelColor(src, in, x);
            out[3 * x] = c.Blue;
            out[3 * x + 1] = c.Green;
            out[3 * x + 2] = c.Red;
        }
    }
    dst = MakeOutput(src, block, 24, nullptr, 0);
    dst.Header.biClrUsed = 0;
    dst.Header.biClrImportant = 0;
}

// The two-colour table of every mask: clear bits black, set bits white.
constexpr FxRGBQuad kMaskColors[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};

void MakeMask(const FxDIBDesc& src, FxDIBDesc& dst, bool section, FxRGB key,
              std::string_view name) {
    const std::int64_t width = src.Header.biWidth;
    const std::int64_t rows = AbsHeight(src.Header.biHeight);
    const std::int64_t stride = RowStride(width, 1);
    PixelBlock block(CheckedBlockSize(stride, rows, name), section);
    for (std::int64_t y = 0; y < rows; ++y) {
        const std::uint8_t* in = SourceRow(src, y);
        std::uint8_t* out = block.Bits() + y * stride;
        for (std::int64_t x = 0; x < width; ++x)
            PutIndex(out, x, 1, PixelColor(src, in, x) == key ? 1 : 0);
    }
    dst = MakeOutput(src, block, 1, kMaskColors, 2);
}

} // namespace

void ConvertTrueColorTo1BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section, FxRGB key) {
    constexpr std::string_view name = "ConvertTrueColorTo1BitRGB";
    if (src.Header.biBitCount != 24)
        throw EFxDIBBadDIBType(Message(name, "Invalid Bitcount"));
    RequireRows(src, name);
    MakeMask(src, dst, section, key, name);
}

void Convert8BitTo1BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section, FxRGB key) {
    constexpr std::string_view name = "Convert8BitTo1BitRGB";
    RequireIndexed(src, 8, name);
    MakeMask(src, dst, section, key, name);
}

void Convert4BitRGBTo1BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section, FxRGB key) {
    constexpr std::string_view name = "Convert4BitRGBTo1BitRGB";
    RequireIndexed(src, 4, name);
    MakeMask(src, dst, section, key, name);
}

void Convert1BitRGBTo4BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    WidenIndices(src, dst, section, 1, 4, "Convert1BitRGBTo4BitRGB");
}

void Convert1BitRGBTo8BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    WidenIndices(src, dst, section, 1, 8, "Convert1BitRGBTo8BitRGB");
}

void Convert4BitRGBTo8BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    WidenIndices(src, dst, section, 4, 8, "Convert4BitRGBTo8BitRGB");
}

void Convert1BitRGBToTrueColor(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    WidenToTrueColor(src, dst, section, 1, "Convert1BitRGBToTrueColor");
}

void Convert4BitRGBToTrueColor(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    WidenToTrueColor(src, dst, section, 4, "Convert4BitRGBToTrueColor");
}

void Convert8BitRGBToTrueColor(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    WidenToTrueColor(src, dst, section, 8, "Convert8BitRGBToTrueColor");
}

} // namespace folivex::dib
