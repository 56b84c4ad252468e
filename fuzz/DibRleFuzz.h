// The shared body of the two run-length fuzz targets: whatever a decoder accepts must
// survive encoding and decoding again unchanged.
#pragma once

#include "dib/FxDIBConvert.h"
#include "dib/FxDIBError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace folivex::dib::fuzz {

template <int kBits> void Decode(const FxDIBDesc& in, FxDIBDesc& out) {
    if constexpr (kBits == 8)
        Convert8BitRLETo8BitRGB(in, out, false);
    else
        Convert4BitRLETo4BitRGB(in, out, false);
}

template <int kBits> void Encode(const FxDIBDesc& in, FxDIBDesc& out) {
    if constexpr (kBits == 8)
        Convert8BitRGBTo8BitRLE(in, out, false);
    else
        Convert4BitRGBTo4BitRLE(in, out, false);
}

template <int kBits> int Pixel(const FxDIBDesc& d, int x, int y) {
    const std::uint8_t* row = d.Bits + y * RowStride(d.Header.biWidth, kBits);
    if constexpr (kBits == 8)
        return row[x];
    return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
}

// The pixels inside the width must match; padding may differ.
template <int kBits> void CheckRoundTrip(const FxDIBDesc& decoded) {
    OwnedDesc encoded;
    OwnedDesc again;
    try {
        Encode<kBits>(decoded, encoded.Desc());
    } catch (const EFxDIBCompressionFailed&) {
        return;
    }
    Decode<kBits>(encoded.Desc(), again.Desc());
    const int rows = int(AbsHeight(decoded.Header.biHeight));
    for (int y = 0; y < rows; ++y) {
        const int from = decoded.Header.biHeight < 0 ? rows - 1 - y : y;
        for (int x = 0; x < decoded.Header.biWidth; ++x)
            if (Pixel<kBits>(again.Desc(), x, y) != Pixel<kBits>(decoded, x, from))
                std::abort();
    }
}

// The first two bytes choose a small picture; the rest is the compressed data.
template <int kBits>
int FuzzRle(std::uint32_t compression, const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    FxDIBDesc in;
    in.Header.biWidth = 1 + data[0];
    in.Header.biHeight = std::int8_t(data[1]) == 0 ? 1 : std::int8_t(data[1]);
    in.Header.biBitCount = kBits;
    in.Header.biCompression = compression;
    std::vector<std::uint8_t> codes(data + 2, data + size);
    in.Bits = codes.data();
    in.Size = std::int32_t(codes.size());
    OwnedDesc decoded;
    try {
        Decode<kBits>(in, decoded.Desc());
    } catch (const EFxDIBInvalidDIB&) {
        return 0;
    }
    CheckRoundTrip<kBits>(decoded.Desc());
    return 0;
}

} // namespace folivex::dib::fuzz
