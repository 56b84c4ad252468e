// Area-averaging reduction of 24-bit pictures; see ZoomOut.h for the rules it keeps.
#include "loading/ZoomOut.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

namespace folivex {
namespace {

using u64 = std::uint64_t;
using u32 = std::uint32_t;
using u8 = std::uint8_t;

constexpr u64 kOne = 65536; // one whole source pixel in 16.16 fixed point

// One destination pixel's source interval: pixel `first` weighted `lead`, the whole pixels
// first + 1 .. last - 1, and pixel `last` weighted `trail`. `trailAt` is the pixel actually
// read for the trailing weight: `last` itself, except at the far edge where the weight is
// 0 and `last` lies just beyond the picture.
struct Span {
    std::size_t first;
    std::size_t last;
    std::size_t trailAt;
    u64 lead;
    u64 trail;
};

// Exact floor(n / a) for every weighted sum a filter can produce (n <= 255 * (a + 1)).
// When a is small enough a multiplication by a rounded-up reciprocal and a shift give the
// same quotient as the division (the error n * (m * a - 2^55) stays below 2^55); for
// larger a each quotient covers so many source pixels that a real division costs little.
class Divider {
public:
    explicit Divider(u64 a) : a_(a) {
        const u64 maxSum = 255 * (a + 1);
        if (a < (u64(1) << 24) && maxSum * (a - 1) < (u64(1) << kShift)) {
            m_ = ((u64(1) << kShift) + a - 1) / a;
        }
    }
    u8 operator()(u64 n) const {
        assert(n <= 255 * (a_ + 1));
        return static_cast<u8>(m_ != 0 ? (n * m_) >> kShift : n / a_);
    }

private:
    static constexpr int kShift = 55;
    u64 a_;
    u64 m_ = 0;
};

// The box filter from `from` source pixels to `to` destination pixels (0 < to <= from).
struct BoxFilter {
    std::vector<Span> spans;
    Divider divide;

    BoxFilter(std::size_t from, std::size_t to) : divide(RoundedWidth(from, to)) {
        spans.reserve(to);
        auto edge = [&](std::size_t i) { // 16.16 position of i * from / to, truncated
            const u64 product = u64(i) * from;
            const u64 whole = product / to;
            const u64 fraction = ((product % to) << 16) / to;
            return std::pair{std::size_t(whole), fraction};
        };
        auto [first, leadCut] = edge(0);
        for (std::size_t j = 0; j < to; ++j) {
            auto [last, trail] = edge(j + 1);
            const std::size_t trailAt = trail != 0 ? last : last - 1;
            spans.push_back({first, last, trailAt, kOne - leadCut, trail});
            first = last;
            leadCut = trail;
        }
    }

    // round(from * 65536 / to), halves up: the weight of one destination pixel.
    static u64 RoundedWidth(std::size_t from, std::size_t to) {
        return (2 * kOne * from + to) / (2 * u64(to));
    }
};

void CheckConsistent(const Bitmap24& bitmap) {
    if (bitmap.width < 0 || bitmap.height < 0 ||
        bitmap.pixels.size() != std::size_t(bitmap.width) * std::size_t(bitmap.height) * 3) {
        throw std::invalid_argument("Bitmap24 size does not match its pixel storage");
    }
}

// One row across: every destination pixel from its span of the source row.
void ShrinkRow(const u8* source, u8* destination, const BoxFilter& filter) {
    for (const Span& span : filter.spans) {
        const u8* lead = source + 3 * span.first;
        const u8* end = source + 3 * span.last;
        u64 b = 0, g = 0, r = 0;
        for (const u8* p = lead + 3; p < end; p += 3) {
            b += p[0];
            g += p[1];
            r += p[2];
        }
        const u8* trail = source + 3 * span.trailAt;
        destination[0] = filter.divide((b << 16) + span.lead * lead[0] + span.trail * trail[0]);
        destination[1] = filter.divide((g << 16) + span.lead * lead[1] + span.trail * trail[1]);
        destination[2] = filter.divide((r << 16) + span.lead * lead[2] + span.trail * trail[2]);
        destination += 3;
    }
}

// Down the columns. Source rows arrive one at a time through rowOf(y, scratch), which
// returns the row (possibly written into scratch); each finished destination row is
// written to destinationRow(i). Whole rows only add up plain bytes, so their sums stay in
// Sum (32 bits while 255 * rows cannot overflow it) and take the 65536 weight once.
template <typename Sum, typename RowOf, typename DestinationRow>
void ShrinkColumns(std::size_t sourceRows, std::size_t destinationRows, std::size_t rowBytes,
                   RowOf&& rowOf, DestinationRow&& destinationRow) {
    const BoxFilter filter(sourceRows, destinationRows);
    std::vector<u8> scratch(rowBytes);
    std::vector<u8> leadRow(rowBytes);
    std::vector<Sum> whole(rowBytes, 0);

    auto finishRow = [&](std::size_t i, const u8* trailRow) {
        const Span& span = filter.spans[i];
        u8* out = destinationRow(i);
        for (std::size_t x = 0; x < rowBytes; ++x) {
            u64 sum = (u64(whole[x]) << 16) + span.lead * leadRow[x];
            if (trailRow != nullptr) {
                sum += span.trail * trailRow[x];
            }
            out[x] = filter.divide(sum);
        }
    };

    std::memcpy(leadRow.data(), rowOf(0, scratch.data()), rowBytes);
    std::size_t i = 0;
    for (std::size_t y = 1; y < sourceRows; ++y) {
        const u8* row = rowOf(y, scratch.data());
        if (y < filter.spans[i].last) {
            for (std::size_t x = 0; x < rowBytes; ++x) {
                whole[x] += row[x];
            }
            continue;
        }
        finishRow(i, row); // row y is the trailing row of i and the leading row of i + 1
        std::memcpy(leadRow.data(), row, rowBytes);
        std::fill(whole.begin(), whole.end(), Sum(0));
        ++i;
    }
    assert(i + 1 == destinationRows);
    finishRow(i, nullptr);
}

template <typename RowOf, typename DestinationRow>
void ShrinkColumnsSized(std::size_t sourceRows, std::size_t destinationRows, std::size_t rowBytes,
                        RowOf&& rowOf, DestinationRow&& destinationRow) {
    if (sourceRows <= std::numeric_limits<u32>::max() / 255) {
        ShrinkColumns<u32>(sourceRows, destinationRows, rowBytes, rowOf, destinationRow);
    } else {
        ShrinkColumns<u64>(sourceRows, destinationRows, rowBytes, rowOf, destinationRow);
    }
}

} // namespace

void ShrinkWidth(const Bitmap24& source, Bitmap24& destination) {
    CheckConsistent(source);
    CheckConsistent(destination);
    if (destination.height != source.height || destination.width > source.width) {
        throw std::invalid_argument("ShrinkWidth: destination must be as tall and not wider");
    }
    if (destination.empty()) {
        return;
    }
    const BoxFilter filter(std::size_t(source.width), std::size_t(destination.width));
    for (int y = 0; y < source.height; ++y) {
        ShrinkRow(source.row(y), destination.row(y), filter);
    }
}

void ShrinkHeight(const Bitmap24& source, Bitmap24& destination) {
    CheckConsistent(source);
    CheckConsistent(destination);
    if (destination.width != source.width || destination.height > source.height) {
        throw std::invalid_argument("ShrinkHeight: destination must be as wide and not taller");
    }
    if (destination.empty()) {
        return;
    }
    ShrinkColumnsSized(
        std::size_t(source.height), std::size_t(destination.height), source.stride(),
        [&](std::size_t y, u8*) { return source.row(int(y)); },
        [&](std::size_t i) { return destination.row(int(i)); });
}

void ZoomOutBitmap(Bitmap24& bitmap, double factor) {
    if (!(factor >= 0.0 && factor <= 1.0)) {
        throw std::invalid_argument("ZoomOutBitmap: factor must lie in [0, 1]");
    }
    CheckConsistent(bitmap);
    if (bitmap.empty()) {
        return;
    }
    const int newWidth = int(std::trunc(bitmap.width * factor));
    const int newHeight = int(std::trunc(bitmap.height * factor));
    if (newWidth == bitmap.width && newHeight == bitmap.height) {
        return; // a factor of 1 copies
    }
    Bitmap24 result(newWidth, newHeight);
    if (result.empty()) {
        bitmap = std::move(result);
        return;
    }
    if (newHeight == bitmap.height) {
        ShrinkWidth(bitmap, result);
        bitmap = std::move(result);
        return;
    }
    // Each source row is reduced across as it is needed and fed straight into the column
    // sums, so the narrowed picture is never stored whole.
    const bool narrower = newWidth < bitmap.width;
    const BoxFilter across(std::size_t(bitmap.width), std::size_t(newWidth));
    const Bitmap24& source = bitmap;
    ShrinkColumnsSized(
        std::size_t(bitmap.height), std::size_t(newHeight), result.stride(),
        [&](std::size_t y, u8* scratch) -> const u8* {
            if (!narrower) {
                return source.row(int(y));
            }
            ShrinkRow(source.row(int(y)), scratch, across);
            return scratch;
        },
        [&](std::size_t i) { return result.row(int(i)); });
    bitmap = std::move(result);
}

} // namespace folivex
