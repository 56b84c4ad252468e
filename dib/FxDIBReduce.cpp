// Colour reduction of the DIB library: the palette builder that splits a colour
// population at the mean of its widest channel, and the converters that use it.
#include "dib/FxDIBConvert.h"
#include "dib/FxDIBError.h"
#include "dib/FxDIBPixel.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace folivex::dib {
namespace {

enum Channel { kRed = 0, kGreen = 1, kBlue = 2 };

void Report(const FxProgressMethod& progress) {
    if (progress)
        progress(0);
}

struct Statistics {
    long double mean[3] = {};
    long double variance[3] = {};
};

// Sums in extended reals; `weight(i)` and `value(i, channel)` read the population.
template <class Weight, class Value>
Statistics Measure(std::int64_t lo, std::int64_t hi, Weight weight, Value value) {
    long double total = 0;
    long double sum[3] = {};
    long double squares[3] = {};
    for (std::int64_t i = lo; i < hi; ++i) {
        const long double w = weight(i);
        total += w;
        for (int c = 0; c < 3; ++c) {
            const long double v = value(i, c);
            sum[c] += w * v;
            squares[c] += w * v * v;
        }
    }
    Statistics s;
    if (total <= 0)
        return s;
    for (int c = 0; c < 3; ++c) {
        s.mean[c] = sum[c] / total;
        s.variance[c] = squares[c] / total - s.mean[c] * s.mean[c];
    }
    return s;
}

// Green weighs 4 against red and 3 against blue; red against blue weighs 3 to 2.
int ChooseChannel(const Statistics& s) {
    const long double r = s.variance[kRed];
    const long double g = s.variance[kGreen];
    const long double b = s.variance[kBlue];
    if (3 * r >= 4 * g && 3 * r >= 2 * b)
        return kRed;
    if (3 * r > 4 * g)
        return kBlue;
    if (2 * b > 3 * g)
        return kBlue;
    return kGreen;
}

// Moves the members not above the mean to the front; returns the first one above it.
template <class Value, class Swap>
std::int64_t Partition(std::int64_t lo, std::int64_t hi, long double mean, Value value, Swap swap) {
    std::int64_t i = lo;
    std::int64_t j = hi;
    do {
        while (i < j && value(i) <= mean)
            ++i;
        while (j > i && value(j - 1) > mean)
            --j;
        if (i != j)
            swap(i, j - 1);
    } while (j > i);
    return i;
}

std::uint8_t RoundChannel(long double mean) {
    return std::uint8_t(std::nearbyint(mean));
}

// Adds the palette colour of a final group and returns its index.
int AddColor(FxPaletteBuild& palette, const Statistics& s) {
    FxAssert(palette.Count < 256, "DivideCells: Palette Overflow");
    FxRGBQuad& q = palette.Palette[std::size_t(palette.Count)];
    q.Red = RoundChannel(s.mean[kRed]);
    q.Green = RoundChannel(s.mean[kGreen]);
    q.Blue = RoundChannel(s.mean[kBlue]);
    q.Reserved = 0;
    return palette.Count++;
}

std::int32_t CellChannel(const FxColorCell& c, int channel) {
    return channel == kRed ? c.Red : channel == kGreen ? c.Green : c.Blue;
}

// Pixels are stored blue, green, red.
std::uint8_t PixelChannel(const std::uint8_t* p, int channel) {
    return p[2 - channel];
}

} // namespace

void DivideCells(int lo, int hi, int depth, int maxDepth, FxPaletteBuild& palette,
                 std::vector<FxColorCell>& cells, const FxProgressMethod& progress) {
    FxAssert(maxDepth >= 0 && maxDepth <= 8, "DivideCells: Invalid Depth");
    if (lo == hi) {
        // An empty branch adds no colour but still reports each final group.
        if (depth == maxDepth) {
            Report(progress);
            return;
        }
        DivideCells(lo, hi, depth + 1, maxDepth, palette, cells, progress);
        DivideCells(lo, hi, depth + 1, maxDepth, palette, cells, progress);
        return;
    }
    const Statistics s = Measure(
        lo, hi, [&](std::int64_t i) { return cells[std::size_t(i)].Weight; },
        [&](std::int64_t i, int c) { return CellChannel(cells[std::size_t(i)], c); });
    if (depth == maxDepth) {
        const int index = AddColor(palette, s);
        for (int i = lo; i < hi; ++i)
            cells[std::size_t(i)].Weight = index;
        Report(progress);
        return;
    }
    const int channel = ChooseChannel(s);
    const int mid = int(Partition(
        lo, hi, s.mean[channel],
        [&](std::int64_t i) { return CellChannel(cells[std::size_t(i)], channel); },
        [&](std::int64_t a, std::int64_t b) {
            std::swap(cells[std::size_t(a)], cells[std::size_t(b)]);
        }));
    // The upper half first: its colours get the lower palette numbers.
    DivideCells(mid, hi, depth + 1, maxDepth, palette, cells, progress);
    DivideCells(lo, mid, depth + 1, maxDepth, palette, cells, progress);
}

void DividePixels(std::int64_t lo, std::int64_t hi, int depth, int maxDepth,
                  FxPaletteBuild& palette, std::vector<std::uint8_t>& pixels, FxDivideTree& tree,
                  int node, const FxProgressMethod& progress) {
    FxAssert(maxDepth >= 0 && maxDepth <= 8, "DividePixels: Invalid Depth");
    FxAssert(node >= 0 && std::size_t(node) < tree.Nodes.size(), "DividePixels: Invalid Node");
    if (lo == hi) {
        if (depth == maxDepth) {
            Report(progress);
            return;
        }
        DividePixels(lo, hi, depth + 1, maxDepth, palette, pixels, tree, 0, progress);
        DividePixels(lo, hi, depth + 1, maxDepth, palette, pixels, tree, 0, progress);
        return;
    }
    auto at = [&](std::int64_t i) { return pixels.data() + 3 * i; };
    const Statistics s = Measure(
        lo, hi, [](std::int64_t) { return 1; },
        [&](std::int64_t i, int c) { return PixelChannel(at(i), c); });
    if (depth == maxDepth) {
        const int index = AddColor(palette, s);
        tree.Nodes[std::size_t(node)] = FxDivideNode{3, 0, std::uint8_t(index), 0, 0};
        Report(progress);
        return;
    }
    const int channel = ChooseChannel(s);
    const std::int64_t mid = Partition(
        lo, hi, s.mean[channel], [&](std::int64_t i) { return PixelChannel(at(i), channel); },
        [&](std::int64_t a, std::int64_t b) { std::swap_ranges(at(a), at(a) + 3, at(b)); });
    FxDivideNode& split = tree.Nodes[std::size_t(node)];
    split = FxDivideNode{std::uint8_t(channel), s.mean[channel], 0, 0, 0};
    const int upper = tree.Counter++;
    tree.Nodes[std::size_t(node)].Upper = upper;
    DividePixels(mid, hi, depth + 1, maxDepth, palette, pixels, tree, upper, progress);
    const int lower = tree.Counter++;
    tree.Nodes[std::size_t(node)].Lower = lower;
    DividePixels(lo, mid, depth + 1, maxDepth, palette, pixels, tree, lower, progress);
}

namespace {

void RequireTrueColor(const FxDIBDesc& src, std::string_view name) {
    if (src.Header.biBitCount != 24)
        throw EFxDIBBadDIBType(Message(name, "Invalid Bitcount"));
    RequireRows(src, name);
}

// Writes an index picture of `bits` from a per-pixel index function.
template <class IndexOf>
void WriteIndexed(const FxDIBDesc& src, FxDIBDesc& dst, bool section, int bits,
                  const FxPaletteBuild& palette, std::string_view name, IndexOf indexOf) {
    const std::int64_t width = src.Header.biWidth;
    const std::int64_t rows = AbsHeight(src.Header.biHeight);
    const std::int64_t stride = RowStride(width, bits);
    PixelBlock block(CheckedBlockSize(stride, rows, name), section);
    for (std::int64_t y = 0; y < rows; ++y) {
        const std::uint8_t* in = SourceRow(src, y);
        std::uint8_t* out = block.Bits() + y * stride;
        for (std::int64_t x = 0; x < width; ++x)
            PutIndex(out, x, bits, indexOf(in, x));
    }
    dst = MakeOutput(src, block, bits, palette.Palette.data(), palette.Count);
}

std::uint8_t WalkTree(const FxDivideTree& tree, const std::uint8_t* pixel) {
    std::size_t node = 0;
    // Every split points to later nodes, so a walk ends within the tree's size.
    for (std::size_t step = 0; step < tree.Nodes.size(); ++step) {
        const FxDivideNode& n = tree.Nodes[node];
        if (n.Kind == 3)
            return n.Index;
        FxAssert(n.Kind < 3, "ConvertTrueColorTo8BitRGBHigh: Invalid DivideID");
        const bool lower = PixelChannel(pixel, n.Kind) <= n.Threshold;
        node = std::size_t(lower ? n.Lower : n.Upper);
        FxAssert(node < tree.Nodes.size(), "ConvertTrueColorTo8BitRGBHigh: Invalid DivideID");
    }
    throw EFxDIBAssertionFailed("ConvertTrueColorTo8BitRGBHigh: Invalid DivideID");
}

void ReduceHigh(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                const FxProgressMethod& progress, int bits, std::string_view name) {
    RequireTrueColor(src, name);
    const std::int64_t width = src.Header.biWidth;
    const std::int64_t rows = AbsHeight(src.Header.biHeight);
    std::vector<std::uint8_t> pixels(std::size_t(width * rows * 3 + 4));
    for (std::int64_t y = 0; y < rows; ++y) {
        const std::uint8_t* row = SourceRow(src, y);
        std::copy(row, row + width * 3, pixels.begin() + y * width * 3);
    }
    const int maxDepth = bits == 8 ? 8 : 4;
    FxPaletteBuild palette;
    FxDivideTree tree;
    tree.Nodes.resize(std::size_t(1) << (maxDepth + 1));
    DividePixels(0, width * rows, 0, maxDepth, palette, pixels, tree, 0, progress);
    pixels = {};
    WriteIndexed(
        src, dst, section, bits, palette, name,
        [&](const std::uint8_t* row, std::int64_t x) { return WalkTree(tree, row + 3 * x); });
}

int ColorKey(const std::uint8_t* bgr) {
    return (bgr[2] >> 3) * 2048 + (bgr[1] >> 2) * 32 + (bgr[0] >> 3);
}

// Moves the cells with pixels to the front in their order and returns their number.
int CompactCells(std::vector<FxColorCell>& cells) {
    int n = 0;
    for (const FxColorCell& c : cells)
        if (c.Weight > 0)
            cells[std::size_t(n++)] = c;
    return n;
}

// The 5-6-5 histogram of the picture, each used cell holding its pixels' mean colour.
std::vector<FxColorCell> Histogram(const FxDIBDesc& src) {
    std::vector<FxColorCell> cells(65536);
    // The dropped low bits are summed in 64 bits: a large picture would overflow 32.
    std::vector<std::int64_t> low(65536 * 3);
    const std::int64_t width = src.Header.biWidth;
    const std::int64_t rows = AbsHeight(src.Header.biHeight);
    for (std::int64_t y = 0; y < rows; ++y) {
        const std::uint8_t* row = SourceRow(src, y);
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint8_t* p = row + 3 * x;
            const int key = ColorKey(p);
            low[3 * key] += p[2] & 7;
            low[3 * key + 1] += p[1] & 3;
            low[3 * key + 2] += p[0] & 7;
            ++cells[std::size_t(key)].Weight;
        }
    }
    for (int k = 0; k < 65536; ++k) {
        FxColorCell& c = cells[std::size_t(k)];
        c.Key = k;
        if (c.Weight == 0)
            continue;
        c.Red = std::int32_t(low[3 * k] / c.Weight) + (k >> 11) * 8;
        c.Green = std::int32_t(low[3 * k + 1] / c.Weight) + ((k >> 5) & 63) * 4;
        c.Blue = std::int32_t(low[3 * k + 2] / c.Weight) + (k & 31) * 8;
    }
    return cells;
}

void ReduceLow(const FxDIBDesc& src, FxDIBDesc& dst, bool section, const FxProgressMethod& progress,
               int bits, std::string_view name) {
    RequireTrueColor(src, name);
    std::vector<FxColorCell> cells = Histogram(src);
    const int n = CompactCells(cells);
    FxPaletteBuild palette;
    DivideCells(0, n, 0, bits == 8 ? 8 : 4, palette, cells, progress);
    std::vector<std::uint8_t> table(65536);
    for (int i = 0; i < n; ++i)
        table[std::size_t(cells[std::size_t(i)].Key)] = std::uint8_t(cells[std::size_t(i)].Weight);
    cells = {};
    WriteIndexed(src, dst, section, bits, palette, name,
                 [&](const std::uint8_t* row, std::int64_t x) {
                     return table[std::size_t(ColorKey(row + 3 * x))];
                 });
}

} // namespace

void ConvertTrueColorTo8BitRGBLow(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                                  const FxProgressMethod& progress) {
    ReduceLow(src, dst, section, progress, 8, "ConvertTrueColorTo8BitRGBLow");
}

void ConvertTrueColorTo4BitRGBLow(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                                  const FxProgressMethod& progress) {
    ReduceLow(src, dst, section, progress, 4, "ConvertTrueColorTo4BitRGBLow");
}

void ConvertTrueColorTo8BitRGBHigh(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                                   const FxProgressMethod& progress) {
    ReduceHigh(src, dst, section, progress, 8, "ConvertTrueColorTo8BitRGBHigh");
}

void ConvertTrueColorTo4BitRGBHigh(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                                   const FxProgressMethod& progress) {
    ReduceHigh(src, dst, section, progress, 4, "ConvertTrueColorTo4BitRGBHigh");
}

void Convert8BitRGBTo4BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                             const FxProgressMethod& progress) {
    constexpr std::string_view name = "Convert8BitRGBTo4BitRGB";
    if (src.Header.biBitCount != 8 || src.Header.biCompression != kBiRgb)
        throw EFxDIBBadDIBType(Message(name, "Invalid Bitcount or Compression"));
    RequireRows(src, name);
    std::vector<FxColorCell> cells(256);
    for (int j = 0; j < 256; ++j) {
        const FxRGBQuad& q = src.Colors[std::size_t(j)];
        cells[std::size_t(j)] = FxColorCell{q.Red, q.Green, q.Blue, 0, j};
    }
    const std::int64_t width = src.Header.biWidth;
    for (std::int64_t y = 0; y < AbsHeight(src.Header.biHeight); ++y) {
        const std::uint8_t* row = SourceRow(src, y);
        for (std::int64_t x = 0; x < width; ++x)
            ++cells[row[x]].Weight;
    }
    const int n = CompactCells(cells);
    FxPaletteBuild palette;
    DivideCells(0, n, 0, 4, palette, cells, progress);
    std::array<std::uint8_t, 256> map{}; // unused old indices map to 0
    for (int i = 0; i < n; ++i)
        map[std::size_t(cells[std::size_t(i)].Key)] = std::uint8_t(cells[std::size_t(i)].Weight);
    WriteIndexed(src, dst, section, 4, palette, name,
                 [&](const std::uint8_t* row, std::int64_t x) { return map[row[x]]; });
}

} // namespace folivex::dib
