// Bitmap file reader and writer of the DIB library.
#include "dib/FxDIBFile.h"

#include "dib/FxDIBError.h"

#include <algorithm>
#include <istream>
#include <limits>
#include <ostream>
#include <vector>

namespace folivex::dib {
namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kDefaultResolution = 3780; // 96 pixels per inch

std::uint16_t U16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Reads from a stream and knows how much is left, so that no size from the file can
// ask for more than the stream holds.
class StreamSource {
public:
    explicit StreamSource(std::istream& in) : in_(in) {
        const std::istream::pos_type start = in.tellg();
        if (start == std::istream::pos_type(-1))
            return;
        in.seekg(0, std::ios::end);
        const std::istream::pos_type end = in.tellg();
        in.seekg(start);
        if (end != std::istream::pos_type(-1) && in)
            length_ = std::int64_t(end - start);
        else
            in.clear();
    }

    void Read(void* to, std::int64_t count) {
        if (count > Available())
            throw EReadError(kStreamReadError);
        in_.read(static_cast<char*>(to), std::streamsize(count));
        if (in_.gcount() != std::streamsize(count))
            throw EReadError(kStreamReadError);
        position_ += count;
    }

    std::uint32_t ReadU32() {
        std::uint8_t b[4];
        Read(b, 4);
        return U32(b);
    }

    void Skip(std::int64_t count) {
        if (count > Available())
            throw EReadError(kStreamReadError);
        in_.ignore(std::streamsize(count));
        if (in_.gcount() != std::streamsize(count))
            throw EReadError(kStreamReadError);
        position_ += count;
    }

    // Bytes left; unknown lengths count as unlimited and the reads themselves fail.
    std::int64_t Available() const {
        return length_ < 0 ? std::numeric_limits<std::int64_t>::max() : length_ - position_;
    }
    std::int64_t Position() const { return position_; }

private:
    std::istream& in_;
    std::int64_t length_ = -1;
    std::int64_t position_ = 0;
};

struct FileHeader {
    std::uint32_t fileSize = 0;
    std::uint32_t offBits = 0;
};

struct Masks {
    bool present = false;
    std::uint32_t rgb[3] = {};
};

void ReadColorTable(StreamSource& src, FxDIBDesc& d, std::int64_t used, int entryBytes) {
    const std::int64_t kept = std::min<std::int64_t>(used, 256);
    std::vector<std::uint8_t> table(std::size_t(kept * entryBytes));
    src.Read(table.data(), std::int64_t(table.size()));
    for (std::int64_t i = 0; i < kept; ++i) {
        const std::uint8_t* e = table.data() + i * entryBytes;
        d.Colors[std::size_t(i)] = FxRGBQuad{e[0], e[1], e[2], 0};
    }
    src.Skip((used - kept) * entryBytes);
}

bool ValidCompression(int bits, std::uint32_t compression) {
    switch (bits) {
    case 4:
        return compression == kBiRgb || compression == kBiRle4;
    case 8:
        return compression == kBiRgb || compression == kBiRle8;
    case 16:
    case 32:
        return compression == kBiRgb || compression == kBiBitFields;
    default:
        return compression == kBiRgb;
    }
}

void CheckOffset(const FileHeader& fh, std::int64_t minimum, StreamSource& src) {
    if (std::int64_t(fh.offBits) < minimum)
        throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromFile: bfOffBits is too small");
    src.Skip(std::int64_t(fh.offBits) - src.Position());
}

void ReadInfoHeader(StreamSource& src, const FileHeader& fh, FxDIBDesc& d, Masks& masks) {
    std::uint8_t b[36];
    src.Read(b, 36);
    FxBitmapInfoHeader& h = d.Header;
    h.biSize = 40;
    h.biWidth = std::int32_t(U32(b));
    h.biHeight = std::int32_t(U32(b + 4));
    h.biPlanes = U16(b + 8);
    h.biBitCount = U16(b + 10);
    h.biCompression = U32(b + 12);
    h.biSizeImage = U32(b + 16);
    h.biXPelsPerMeter = std::int32_t(U32(b + 20));
    h.biYPelsPerMeter = std::int32_t(U32(b + 24));
    h.biClrUsed = U32(b + 28);
    h.biClrImportant = U32(b + 32);
    if (h.biXPelsPerMeter == 0)
        h.biXPelsPerMeter = kDefaultResolution;
    if (h.biYPelsPerMeter == 0)
        h.biYPelsPerMeter = kDefaultResolution;
    const int bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromStream: Invalid BitCout");
    // Other pairs would leave a picture no converter can read.
    if (!ValidCompression(bits, h.biCompression))
        throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromStream: Invalid Compression");
    if (h.biClrUsed == 0)
        h.biClrUsed = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    masks.present = h.biCompression == kBiBitFields;
    if (masks.present)
        for (std::uint32_t& m : masks.rgb)
            m = src.ReadU32();
    ReadColorTable(src, d, h.biClrUsed, 4);
    CheckOffset(fh, 40 + std::int64_t(h.biClrUsed) * 4 + 14 + (masks.present ? 12 : 0), src);
    h.biClrUsed = std::min<std::uint32_t>(h.biClrUsed, 256);
}

void ReadCoreHeader(StreamSource& src, const FileHeader& fh, FxDIBDesc& d) {
    std::uint8_t b[8];
    src.Read(b, 8);
    const int bits = U16(b + 6);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromStream: Invalid BitCount");
    const int colors = bits == 24 ? 0 : 1 << bits;
    ReadColorTable(src, d, colors, 3);
    CheckOffset(fh, colors * 3 + 12 + 14, src);
    FxBitmapInfoHeader& h = d.Header;
    h = FxBitmapInfoHeader{};
    h.biWidth = U16(b);
    h.biHeight = U16(b + 2);
    h.biPlanes = U16(b + 4);
    h.biBitCount = std::uint16_t(bits);
    h.biXPelsPerMeter = kDefaultResolution;
    h.biYPelsPerMeter = kDefaultResolution;
    h.biClrUsed = std::uint32_t(colors);
}

// Bytes of pixel data to read: an uncompressed picture needs all its rows; compressed
// data runs to the file's size field, but never past the end of the stream.
std::int64_t PixelBytes(const FxDIBDesc& d, const FileHeader& fh, const StreamSource& src) {
    const FxBitmapInfoHeader& h = d.Header;
    const std::int64_t available = src.Available();
    if (h.biCompression == kBiRle4 || h.biCompression == kBiRle8) {
        const std::int64_t declared = std::int64_t(fh.fileSize) - std::int64_t(fh.offBits);
        std::int64_t size = declared > 0 && declared <= available ? declared : available;
        size = std::min(size, kInt32Max);
        if (size <= 0)
            throw EReadError(kStreamReadError);
        return size;
    }
    const std::int64_t stride = RowStride(h.biWidth, h.biBitCount);
    if (!ProductFitsInt32(stride, AbsHeight(h.biHeight)))
        throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromStream: Invalid Width or Height");
    const std::int64_t size = stride * AbsHeight(h.biHeight);
    if (size > available)
        throw EReadError(kStreamReadError);
    return size;
}

// Scales a channel so that its mask's top value becomes 255.
struct ChannelScale {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t top = 0;

    explicit ChannelScale(std::uint32_t m) : mask(m) {
        if (m == 0)
            throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromStream: Invalid Masks");
        while (m >= 256) {
            m >>= 1;
            ++shift;
        }
        while (m < 128) {
            m <<= 1;
            --shift;
        }
        top = m;
    }

    std::uint8_t operator()(std::uint32_t pixel) const {
        const std::uint32_t v = pixel & mask;
        const std::uint32_t scaled = shift >= 0 ? v >> shift : v << -shift;
        return std::uint8_t(scaled * 255 / top);
    }
};

// Converts 16- and 32-bit rows to 24 bits, keeping the row order of the file.
void ReadHighColor(StreamSource& src, FxDIBDesc& d, const Masks& masks, bool section) {
    FxBitmapInfoHeader& h = d.Header;
    const int bits = h.biBitCount;
    const std::int64_t width = h.biWidth;
    const std::int64_t rows = AbsHeight(h.biHeight);
    const std::int64_t inRow = bits == 16 ? (width * 2 + 3) & ~std::int64_t(3) : width * 4;
    const std::int64_t outRow = (width * 3 + 3) & ~std::int64_t(3);
    // The source rows are at most 4/3 of the output rows, so both products fit.
    if (!ProductFitsInt32(outRow, rows))
        throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromStream: Invalid Width or Height");
    if (inRow * rows > src.Available())
        throw EReadError(kStreamReadError);
    std::uint32_t defaults16[3] = {0x7C00, 0x03E0, 0x001F};
    std::uint32_t defaults32[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    const std::uint32_t* m = masks.present ? masks.rgb : bits == 16 ? defaults16 : defaults32;
    const ChannelScale red(m[0]), green(m[1]), blue(m[2]);
    PixelBlock block(outRow * rows, section);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(inRow));
    for (std::int64_t y = 0; y < rows; ++y) {
        src.Read(row.data(), inRow);
        std::uint8_t* out = block.Bits() + y * outRow;
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint32_t p = bits == 16 ? U16(row.data() + 2 * x) : U32(row.data() + 4 * x);
            out[3 * x] = blue(p);
            out[3 * x + 1] = green(p);
            out[3 * x + 2] = red(p);
        }
    }
    block.MoveInto(d);
    h.biCompression = kBiRgb;
    h.biBitCount = 24;
    h.biSizeImage = 0;
}

} // namespace

FxDIBDesc ReadDIB(std::istream& in, bool section) {
    StreamSource src(in);
    std::uint8_t b[14];
    src.Read(b, 14);
    if (U16(b) != 0x4D42)
        throw EFxDIBInvalidDIBFile("TFxInternalDIB.LoadFromFile: File type is invalid");
    const FileHeader fh{U32(b + 2), U32(b + 10)};
    FxDIBDesc d;
    Masks masks;
    const std::uint32_t headerSize = src.ReadU32();
    if (headerSize == 40)
        ReadInfoHeader(src, fh, d, masks);
    else if (headerSize == 12)
        ReadCoreHeader(src, fh, d);
    else
        throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromStream: Invalid Bitmap Header Size");
    // The least 32-bit height has no positive counterpart.
    if (d.Header.biWidth <= 0 || d.Header.biHeight == 0 ||
        d.Header.biHeight == std::numeric_limits<std::int32_t>::min())
        throw EFxDIBInvalidDIB("TFxInternalDIB.LoadFromStream: Invalid Width or Height");
    if (d.Header.biBitCount == 16 || d.Header.biBitCount == 32) {
        ReadHighColor(src, d, masks, section);
        return d;
    }
    PixelBlock block(PixelBytes(d, fh, src), section);
    src.Read(block.Bits(), block.Size());
    block.MoveInto(d);
    return d;
}

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

void WriteDIB(std::ostream& out, const FxDIBDesc& d) {
    const FxBitmapInfoHeader& h = d.Header;
    const std::uint32_t used = std::min<std::uint32_t>(h.biClrUsed, 256);
    const std::uint32_t offset = 54 + used * 4;
    std::vector<std::uint8_t> head;
    Put16(head, 0x4D42);
    Put32(head, offset + std::uint32_t(std::max(d.Size, 0)));
    Put32(head, 0);
    Put32(head, offset);
    Put32(head, 40);
    Put32(head, std::uint32_t(h.biWidth));
    Put32(head, std::uint32_t(h.biHeight));
    Put16(head, h.biPlanes);
    Put16(head, h.biBitCount);
    Put32(head, h.biCompression);
    Put32(head, h.biSizeImage);
    Put32(head, std::uint32_t(h.biXPelsPerMeter));
    Put32(head, std::uint32_t(h.biYPelsPerMeter));
    Put32(head, used);
    Put32(head, h.biClrImportant);
    for (std::uint32_t i = 0; i < used; ++i) {
        const FxRGBQuad& q = d.Colors[i];
        head.insert(head.end(), {q.Blue, q.Green, q.Red, q.Reserved});
    }
    out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    if (d.Bits != nullptr && d.Size > 0)
        out.write(reinterpret_cast<const char*>(d.Bits), d.Size);
    if (!out)
        throw EWriteError(kStreamWriteError);
}

} // namespace folivex::dib
