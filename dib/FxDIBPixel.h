// Pixel access shared by the converters: indices of 1-, 4- and 8-bit rows, 24-bit
// colours, and the output record of a converter that makes a palette picture.
#pragma once

#include "dib/FxDIBTypes.h"

#include <string>
#include <string_view>

namespace folivex::dib {

// Index of pixel x in a row of 1, 4 or 8 bits: the high half of a byte holds the even
// 4-bit pixel; bit 7 holds the first 1-bit pixel.
inline std::uint8_t GetIndex(const std::uint8_t* row, std::int64_t x, int bits) {
    switch (bits) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
    default:
        return row[x];
    }
}

// Stores an index into a zero-filled row; pixels are written from left to right.
inline void PutIndex(std::uint8_t* row, std::int64_t x, int bits, std::uint8_t index) {
    switch (bits) {
    case 1:
        if (index & 1)
            row[x / 8] = std::uint8_t(row[x / 8] | (0x80 >> (x % 8)));
        break;
    case 4:
        if (x % 2 == 0)
            row[x / 2] = std::uint8_t(index << 4);
        else
            row[x / 2] = std::uint8_t(row[x / 2] | (index & 15));
        break;
    default:
        row[x] = index;
    }
}

// Colour of pixel x of an uncompressed row: 24-bit bytes or the colour-table entry.
inline FxRGB PixelColor(const FxDIBDesc& desc, const std::uint8_t* row, std::int64_t x) {
    const int bits = desc.Header.biBitCount;
    if (bits == 24)
        return FxRGB{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    const FxRGBQuad& q = desc.Colors[GetIndex(row, x, bits)];
    return FxRGB{q.Red, q.Green, q.Blue};
}

inline const std::uint8_t* SourceRow(const FxDIBDesc& desc, std::int64_t y) {
    return desc.Bits + y * RowStride(desc.Header.biWidth, desc.Header.biBitCount);
}

// The destination record of a converter: a copy of the source with the new block, an
// uncompressed bit count and, when `colors` is given, a fresh colour table.
inline FxDIBDesc MakeOutput(const FxDIBDesc& src, PixelBlock& block, int bits,
                            const FxRGBQuad* colors, int colorCount) {
    FxDIBDesc out = src;
    block.MoveInto(out);
    out.Header.biBitCount = std::uint16_t(bits);
    out.Header.biCompression = kBiRgb;
    out.Header.biSizeImage = 0;
    if (colors != nullptr) {
        out.Header.biClrUsed = std::uint32_t(colorCount);
        for (int i = 0; i < colorCount; ++i)
            out.Colors[std::size_t(i)] = colors[i];
    }
    return out;
}

inline std::string Message(std::string_view name, std::string_view what) {
    return std::string(name) + ": " + std::string(what);
}

} // namespace folivex::dib
