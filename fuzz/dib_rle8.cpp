// Fuzz target: the 8-bit run-length decoder on arbitrary data; whatever it decodes must
// survive encoding and decoding again unchanged.
#include "dib/FxDIBConvert.h"
#include "dib/FxDIBError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace folivex::dib;

namespace {

constexpr int kBits = 8;
constexpr std::uint32_t kCompression = kBiRle8;

void Decode(const FxDIBDesc& in, FxDIBDesc& out) {
    if (kBits == 8)
        Convert8BitRLETo8BitRGB(in, out, false);
    else
        Convert4BitRLETo4BitRGB(in, out, false);
}

void Encode(const FxDIBDesc& in, FxDIBDesc& out) {
    if (kBits == 8)
        Convert8BitRGBTo8BitRLE(in, out, false);
    else
        Convert4BitRGBTo4BitRLE(in, out, false);
}

int Pixel(const FxDIBDesc& d, int x, int y) {
    const std::uint8_t* row = d.Bits + y * RowStride(d.Header.biWidth, kBits);
    if (kBits == 8)
        return row[x];
    return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
}

// The pixels inside the width must match; padding may differ.
void CheckRoundTrip(const FxDIBDesc& decoded) {
    OwnedDesc encoded;
    OwnedDesc again;
    try {
        Encode(decoded, encoded.Desc());
    } catch (const EFxDIBCompressionFailed&) {
        return;
    }
    Decode(encoded.Desc(), again.Desc());
    const int rows = int(AbsHeight(decoded.Header.biHeight));
    for (int y = 0; y < rows; ++y) {
        const int from = decoded.Header.biHeight < 0 ? rows - 1 - y : y;
        for (int x = 0; x < decoded.Header.biWidth; ++x)
            if (Pixel(again.Desc(), x, y) != Pixel(decoded, x, from))
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes choose a small picture; the rest is the compressed data.
    FxDIBDesc in;
    in.Header.biWidth = 1 + data[0];
    in.Header.biHeight = std::int8_t(data[1]) == 0 ? 1 : std::int8_t(data[1]);
    in.Header.biBitCount = kBits;
    in.Header.biCompression = kCompression;
    std::vector<std::uint8_t> codes(data + 2, data + size);
    in.Bits = codes.data();
    in.Size = std::int32_t(codes.size());
    OwnedDesc decoded;
    try {
        Decode(in, decoded.Desc());
    } catch (const EFxDIBInvalidDIB&) {
        return 0;
    }
    CheckRoundTrip(decoded.Desc());
    return 0;
}
