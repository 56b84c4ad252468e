// Helpers of the DIB library tests: pictures built in memory, owned results, and
// bitmap files assembled byte by byte.
#pragma once

#include "dib/FxDIBConvert.h"
#include "dib/FxDIBError.h"
#include "dib/FxDIBTypes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace folivex::dib::test {

// A picture whose pixels live in a vector the test owns.
struct TestPicture {
    FxDIBDesc desc;
    std::vector<std::uint8_t> bytes;

    TestPicture(int width, int height, int bits, std::uint32_t compression = kBiRgb) {
        desc.Header.biWidth = width;
        desc.Header.biHeight = height;
        desc.Header.biBitCount = std::uint16_t(bits);
        desc.Header.biCompression = compression;
        desc.Header.biClrUsed = bits <= 8 ? (1u << bits) : 0;
        bytes.resize(std::size_t(RowStride(width, bits) * AbsHeight(height)));
        Sync();
    }
    // Compressed data as the pixel block.
    void SetBlock(std::vector<std::uint8_t> block) {
        bytes = std::move(block);
        Sync();
    }
    void Sync() {
        desc.Bits = bytes.data();
        desc.Size = std::int32_t(bytes.size());
    }
    std::uint8_t* Row(int y) {
        return bytes.data() + y * RowStride(desc.Header.biWidth, desc.Header.biBitCount);
    }
    void SetBGR(int x, int y, int r, int g, int b) {
        std::uint8_t* p = Row(y) + 3 * x;
        p[0] = std::uint8_t(b);
        p[1] = std::uint8_t(g);
        p[2] = std::uint8_t(r);
    }
    void FillBGR(int r, int g, int b) {
        for (int y = 0; y < AbsHeight(desc.Header.biHeight); ++y)
            for (int x = 0; x < desc.Header.biWidth; ++x)
                SetBGR(x, y, r, g, b);
    }
};

inline std::vector<std::uint8_t> Block(const FxDIBDesc& d) {
    return std::vector<std::uint8_t>(d.Bits, d.Bits + d.Size);
}

inline std::vector<std::uint8_t> RowOf(const FxDIBDesc& d, int y) {
    const std::int64_t stride = RowStride(d.Header.biWidth, d.Header.biBitCount);
    return std::vector<std::uint8_t>(d.Bits + y * stride, d.Bits + (y + 1) * stride);
}

// Runs `f` and returns the message of the exception of type E it raises, or a note
// that it raised none.
template <class E, class F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "<no exception>";
}

// Little-endian writer for bitmap files made by the tests.
struct Bytes {
    std::vector<std::uint8_t> data;
    Bytes& U8(unsigned v) {
        data.push_back(std::uint8_t(v));
        return *this;
    }
    Bytes& U16(unsigned v) { return U8(v & 0xFF).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Fill(std::size_t n, unsigned v = 0) {
        data.insert(data.end(), n, std::uint8_t(v));
        return *this;
    }
    Bytes& Append(const std::vector<std::uint8_t>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
    std::string Str() const { return std::string(data.begin(), data.end()); }
};

// A bitmap file: file header, 40-byte information header; the caller appends the rest.
inline Bytes InfoFile(std::int32_t width, std::int32_t height, int bits, std::uint32_t compression,
                      std::uint32_t clrUsed, std::uint32_t offBits, std::uint32_t fileSize) {
    Bytes b;
    b.U8('B').U8('M').U32(fileSize).U32(0).U32(offBits);
    b.U32(40).U32(std::uint32_t(width)).U32(std::uint32_t(height)).U16(1).U16(unsigned(bits));
    b.U32(compression).U32(0).U32(2835).U32(2835).U32(clrUsed).U32(0);
    return b;
}

// A deterministic sequence for test pictures.
struct Lcg {
    std::uint32_t state;
    explicit Lcg(std::uint32_t seed) : state(seed) {}
    std::uint32_t Next(std::uint32_t bound) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % bound;
    }
};

} // namespace folivex::dib::test
