// The DIB description record shared by every converter of the library, the pixel
// memory it points to, and the row arithmetic all converters agree on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace folivex::dib {

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;
inline constexpr std::uint32_t kBiBitFields = 3;

// The 40-byte bitmap information header, field for field.
struct FxBitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = kBiRgb;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// One colour-table entry, in the byte order of the bitmap file.
struct FxRGBQuad {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::uint8_t Reserved = 0;
    bool operator==(const FxRGBQuad&) const = default;
};

// A colour as red, green and blue.
struct FxRGB {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    bool operator==(const FxRGB&) const = default;
};

// Describes one picture: its pixel block, the header and the colour table. The record
// does not own the block; whoever received it from a converter releases it.
struct FxDIBDesc {
    std::int32_t Size = 0; // bytes in the pixel block
    bool Mapped = false;   // the block is an anonymous mapping, not heap memory
    std::uint8_t* Bits = nullptr;
    FxBitmapInfoHeader Header;
    std::array<FxRGBQuad, 256> Colors{};
};

// Called once per final colour group while a palette is built; the argument is 0.
using FxProgressMethod = std::function<void(int)>;

// Row stride in bytes of a picture: whole 32-bit words per row.
inline std::int64_t RowStride(std::int64_t width, int bits) {
    return ((width * bits + 31) / 32) * 4;
}

// Whether a * b, both positive, fits a 32-bit signed size (no 64-bit overflow on the way).
inline bool ProductFitsInt32(std::int64_t a, std::int64_t b) {
    return a > 0 && b > 0 && b <= 0x7FFFFFFF / a;
}

inline std::int64_t AbsHeight(std::int32_t height) {
    return height < 0 ? -std::int64_t(height) : std::int64_t(height);
}

// Zero-filled pixel memory: an anonymous mapping when `section` is set, else the heap.
struct FxPixelMemory {
    std::uint8_t* Bits = nullptr;
    std::int32_t Size = 0;
    bool Mapped = false;
};

FxPixelMemory GetMemory(std::int32_t size, bool section);
void ReleaseMemory(std::uint8_t* bits, std::int32_t size, bool mapped);
// Releases the record's pixel block and clears its pointer, size and mapping flag.
void ReleaseMemory(FxDIBDesc& desc);

// Owns a pixel block until it is handed to a record, so that every failing path of a
// converter gives the block back.
class PixelBlock {
public:
    PixelBlock(std::int64_t size, bool section);
    ~PixelBlock();
    PixelBlock(const PixelBlock&) = delete;
    PixelBlock& operator=(const PixelBlock&) = delete;

    std::uint8_t* Bits() const { return memory_.Bits; }
    std::int32_t Size() const { return memory_.Size; }
    // Stores the block in the record; the record's caller owns it from now on.
    void MoveInto(FxDIBDesc& desc);

private:
    FxPixelMemory memory_;
};

// Owns a record's pixel block: the intermediate results of a conversion chain.
class OwnedDesc {
public:
    OwnedDesc() = default;
    ~OwnedDesc() { ReleaseMemory(desc_); }
    OwnedDesc(const OwnedDesc&) = delete;
    OwnedDesc& operator=(const OwnedDesc&) = delete;

    FxDIBDesc& Desc() { return desc_; }
    const FxDIBDesc& Desc() const { return desc_; }
    // Gives up ownership: the caller takes the record and its block.
    FxDIBDesc Release() {
        FxDIBDesc out = desc_;
        desc_.Bits = nullptr;
        desc_.Size = 0;
        desc_.Mapped = false;
        return out;
    }

private:
    FxDIBDesc desc_;
};

// Checks that an uncompressed record's block holds all of its rows, so a converter can
// read them without running off the block; raises EFxDIBInvalidDIB naming the caller.
// Returns the number of bytes the rows take.
std::int64_t RequireRows(const FxDIBDesc& desc, std::string_view converter);

// Pixel block size of a picture, refused when it does not fit the record's size field.
std::int64_t CheckedBlockSize(std::int64_t stride, std::int64_t rows, std::string_view who);

} // namespace folivex::dib
