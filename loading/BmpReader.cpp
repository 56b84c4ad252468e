#include "loading/BmpReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace folivex {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
constexpr std::size_t kFileHeaderSize = 14;

struct Color {
    std::uint8_t b = 0, g = 0, r = 0;
};

// Little-endian reads that refuse to leave the data.
class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> data) : data_(data) {}
    std::size_t size() const { return data_.size(); }
    std::uint8_t u8(std::uint64_t at) const {
        Need(at, 1);
        return data_[at];
    }
    std::uint16_t u16(std::uint64_t at) const {
        Need(at, 2);
        return std::uint16_t(data_[at] | data_[at + 1] << 8);
    }
    std::uint32_t u32(std::uint64_t at) const {
        Need(at, 4);
        return std::uint32_t(data_[at]) | std::uint32_t(data_[at + 1]) << 8 |
               std::uint32_t(data_[at + 2]) << 16 | std::uint32_t(data_[at + 3]) << 24;
    }
    std::int32_t i32(std::uint64_t at) const { return static_cast<std::int32_t>(u32(at)); }
    const std::uint8_t* at(std::uint64_t offset, std::uint64_t count) const {
        Need(offset, count);
        return data_.data() + offset;
    }
    bool Has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    void Need(std::uint64_t offset, std::uint64_t count) const {
        if (!Has(offset, count))
            throw EInvalidGraphic();
    }

private:
    std::span<const std::uint8_t> data_;
};

// One colour channel of a bit-field mask, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = std::bit_width(m >> shift);
        }
    }
    std::uint8_t Of(std::uint32_t pixel) const {
        if (bits == 0)
            return 0;
        std::uint64_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return std::uint8_t(v >> (bits - 8));
        return std::uint8_t(v * 255 / ((std::uint64_t(1) << bits) - 1));
    }
};

struct Layout {
    std::int64_t width = 0;
    std::int64_t height = 0; // always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue
    std::vector<Color> palette;
    std::uint64_t pixelOffset = 0;
    bool paddedLastRow = false; // a bitmap in memory: every row with its padding
};

std::vector<Color> ReadPalette(const Bytes& in, std::uint64_t offset, std::uint64_t count,
                               int entrySize) {
    std::vector<Color> palette(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* p = in.at(offset + i * entrySize, std::uint64_t(entrySize));
        palette[i] = Color{p[0], p[1], p[2]};
    }
    return palette;
}

void CheckFormat(const Layout& l) {
    static constexpr std::array kBitCounts = {1, 4, 8, 16, 24, 32};
    if (std::find(kBitCounts.begin(), kBitCounts.end(), l.bitCount) == kBitCounts.end())
        throw EInvalidGraphic();
    bool fits = l.compression == kRgb || (l.compression == kRle8 && l.bitCount == 8) ||
                (l.compression == kRle4 && l.bitCount == 4) ||
                ((l.compression == kBitFields || l.compression == kAlphaBitFields) &&
                 (l.bitCount == 16 || l.bitCount == 32));
    if (!fits || l.width <= 0 || l.height <= 0)
        throw EInvalidGraphic();
}

void SetDefaultMasks(Layout& l) {
    if (l.compression == kBitFields || l.compression == kAlphaBitFields)
        return;
    if (l.bitCount == 16)
        l.masks = {0x7C00, 0x03E0, 0x001F};
    else
        l.masks = {0xFF0000, 0x00FF00, 0x0000FF};
}

// The information header at `h` with its masks and colour table; `offBits` is where the
// file header says the pixels start (0: right after the colour table).
Layout ReadInfoLayout(const Bytes& in, std::uint64_t h, std::uint32_t offBits) {
    const std::uint32_t headerSize = in.u32(h);
    Layout l;
    std::uint64_t paletteOffset = h + headerSize;
    std::uint64_t used = 0; // colours of the table; 0 means all that the bit count can index
    int entrySize = 4;
    if (headerSize == 12) { // the old core header: 16-bit sizes, 3-byte colours
        l.width = in.u16(h + 4);
        l.height = in.u16(h + 6);
        l.bitCount = in.u16(h + 10);
        entrySize = 3;
    } else if (headerSize >= 40 && headerSize <= 1024) {
        l.width = in.i32(h + 4);
        std::int64_t height = in.i32(h + 8);
        l.topDown = height < 0;
        l.height = height < 0 ? -height : height;
        l.bitCount = in.u16(h + 14);
        l.compression = in.u32(h + 16);
        used = in.u32(h + 32);
        if (l.compression == kBitFields || l.compression == kAlphaBitFields) {
            // The masks are part of the longer headers, or follow the 40-byte one.
            std::uint64_t masksAt = headerSize >= 52 ? h + 40 : h + headerSize;
            l.masks = {in.u32(masksAt), in.u32(masksAt + 4), in.u32(masksAt + 8)};
            if (headerSize < 52)
                paletteOffset += l.compression == kAlphaBitFields ? 16 : 12;
        }
    } else {
        throw EInvalidGraphic();
    }
    CheckFormat(l);
    SetDefaultMasks(l);
    std::uint64_t paletteCount = 0;
    if (l.bitCount <= 8) {
        std::uint64_t full = std::uint64_t(1) << l.bitCount;
        paletteCount = used == 0 ? full : std::min(used, full);
        // Some writers store a shorter table than they declare; the pixels start where
        // the file header says.
        if (offBits > paletteOffset)
            paletteCount =
                std::min<std::uint64_t>(paletteCount, (offBits - paletteOffset) / entrySize);
    }
    l.palette = ReadPalette(in, paletteOffset, paletteCount, entrySize);
    l.pixelOffset = offBits != 0 ? offBits : paletteOffset + paletteCount * entrySize;
    return l;
}

Color PaletteColor(const Layout& l, std::uint32_t index) {
    return index < l.palette.size() ? l.palette[index] : Color{};
}

void Put(Bitmap24& out, std::int64_t x, std::int64_t y, Color c) {
    std::uint8_t* p = out.row(int(y)) + x * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

// Every index a pixel of 8 bits or fewer can hold; those past the stored table are colour
// 0 (black), as PaletteColor answers. `packed` holds each colour as the four bytes blue,
// green, red, 0 in memory order, on a little-endian machine.
struct FullPalette {
    std::array<Color, 256> colors{};
    std::array<std::uint32_t, 256> packed{};

    const Color& operator[](std::size_t i) const { return colors[i]; }
};

FullPalette SpreadPalette(const Layout& l) {
    FullPalette table;
    std::copy_n(l.palette.begin(), std::min(l.palette.size(), table.colors.size()),
                table.colors.begin());
    for (std::size_t i = 0; i < table.packed.size(); ++i)
        table.packed[i] = table.colors[i].b | std::uint32_t(table.colors[i].g) << 8 |
                          std::uint32_t(table.colors[i].r) << 16;
    return table;
}

// 8-bit rows are the most common plug-in output (GIF, palette PNG and TIFF): where the
// machine is little-endian each pixel but the last is one four-byte store, whose fourth
// byte the next pixel overwrites.
void PutIndexed8(const FullPalette& palette, const std::uint8_t* src, std::int64_t w,
                 std::uint8_t* dst) {
    std::int64_t x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 1 < w; ++x, dst += 3)
            std::memcpy(dst, &palette.packed[src[x]], 4);
    }
    for (; x < w; ++x, dst += 3) {
        const Color c = palette[src[x]];
        dst[0] = c.b;
        dst[1] = c.g;
        dst[2] = c.r;
    }
}

// One row into the page picture. A case per depth, each a loop of its own: the loops run
// for every pixel of a plug-in's picture, so nothing is decided inside them.
void DecodeRow(const Layout& l, const FullPalette& palette, const std::uint8_t* src, Bitmap24& out,
               std::int64_t y) {
    std::uint8_t* dst = out.row(int(y));
    const auto put = [&dst](Color c) {
        dst[0] = c.b;
        dst[1] = c.g;
        dst[2] = c.r;
        dst += 3;
    };
    const std::int64_t w = l.width;
    switch (l.bitCount) {
    case 24: // stored as the page picture holds it: blue, green, red
        std::memcpy(dst, src, std::size_t(w) * 3);
        return;
    case 8:
        PutIndexed8(palette, src, w, dst);
        return;
    case 4:
        for (std::int64_t x = 0; x < w; ++x)
            put(palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF]);
        return;
    case 1:
        for (std::int64_t x = 0; x < w; ++x)
            put(palette[(src[x / 8] >> (7 - x % 8)) & 1]);
        return;
    default:
        break;
    }
    const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]);
    const std::int64_t bytes = l.bitCount / 8;
    for (std::int64_t x = 0; x < w; ++x) {
        const std::uint8_t* p = src + x * bytes;
        const std::uint32_t v = bytes == 2
                                    ? std::uint32_t(p[0] | p[1] << 8)
                                    : std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                          std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
        put(Color{blue.Of(v), green.Of(v), red.Of(v)});
    }
}

std::int64_t OutputRow(const Layout& l, std::int64_t fileRow) {
    return l.topDown ? fileRow : l.height - 1 - fileRow;
}

void DecodeUncompressed(const Bytes& in, const Layout& l, Bitmap24& out) {
    const std::uint64_t rowBytes = (std::uint64_t(l.width) * l.bitCount + 7) / 8;
    const std::uint64_t stride = (std::uint64_t(l.width) * l.bitCount + 31) / 32 * 4;
    // In a file the last row may lack its padding; every pixel byte must be there.
    in.Need(l.pixelOffset,
            stride * std::uint64_t(l.height - 1) + (l.paddedLastRow ? stride : rowBytes));
    const FullPalette palette = SpreadPalette(l);
    for (std::int64_t r = 0; r < l.height; ++r)
        DecodeRow(l, palette, in.at(l.pixelOffset + std::uint64_t(r) * stride, rowBytes), out,
                  OutputRow(l, r));
}

// Run-length data: pixels not reached by any run (after a jump or an early end) keep
// colour 0 of the palette.
void DecodeRunLength(const Bytes& in, const Layout& l, Bitmap24& out) {
    const bool four = l.compression == kRle4;
    std::vector<std::uint8_t> index(std::size_t(l.width) * std::size_t(l.height), 0);
    std::int64_t x = 0, y = 0;
    auto put = [&](std::uint8_t value) {
        if (x < l.width && y < l.height)
            index[std::size_t(y) * std::size_t(l.width) + std::size_t(x)] = value;
        ++x;
    };
    std::uint64_t pos = l.pixelOffset;
    bool ended = false;
    while (!ended && y < l.height) {
        if (!in.Has(pos, 2))
            throw EInvalidGraphic(); // the data stops before the picture is complete
        const std::uint8_t count = in.u8(pos), value = in.u8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(four ? (i % 2 ? value & 0xF : value >> 4) : value);
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            ended = true;
        } else if (value == 2) {
            x += in.u8(pos);
            y += in.u8(pos + 1);
            pos += 2;
        } else {
            const std::uint64_t bytes = four ? (value + 1) / 2 : value;
            const std::uint8_t* run = in.at(pos, bytes);
            for (int i = 0; i < value; ++i)
                put(four ? (i % 2 ? run[i / 2] & 0xF : run[i / 2] >> 4) : run[i]);
            pos += (bytes + 1) / 2 * 2;
        }
    }
    for (std::int64_t r = 0; r < l.height; ++r) {
        const std::uint8_t* src = index.data() + std::size_t(r) * std::size_t(l.width);
        for (std::int64_t c = 0; c < l.width; ++c)
            Put(out, c, OutputRow(l, r), PaletteColor(l, src[c]));
    }
}

Layout ReadLayout(const Bytes& in) {
    if (in.u8(0) != 'B' || in.u8(1) != 'M')
        throw EInvalidGraphic();
    return ReadInfoLayout(in, kFileHeaderSize, in.u32(10));
}

Bitmap24 Decode(const Bytes& pixels, const Layout& l, const BmpLimits& limits) {
    if (std::uint64_t(l.width) * std::uint64_t(l.height) > limits.maxPixels)
        throw EInvalidGraphic();
    Bitmap24 out(int(l.width), int(l.height));
    if (l.compression == kRle8 || l.compression == kRle4)
        DecodeRunLength(pixels, l, out);
    else
        DecodeUncompressed(pixels, l, out);
    return out;
}

} // namespace

Bitmap24 ReadBmp(std::span<const std::uint8_t> file, const BmpLimits& limits) {
    const Bytes in(file);
    return Decode(in, ReadLayout(in), limits);
}

Bitmap24 ReadDib(std::span<const std::uint8_t> header, std::span<const std::uint8_t> pixels,
                 const BmpLimits& limits) {
    Layout l = ReadInfoLayout(Bytes(header), 0, 0);
    l.pixelOffset = 0; // the rows are a block of their own
    l.paddedLastRow = true;
    return Decode(Bytes(pixels), l, limits);
}

Bitmap24 LoadBmpFile(const std::string& path) {
    return ReadBmp(ReadWholeFile(path));
}

} // namespace folivex
