// Area-averaging reduction of 24-bit pictures; see ZoomOut.h for the rules it keeps.
#include "loading/ZoomOut.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

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
    std::size_t from;
    std::vector<Span> spans;
    Divider divide;

    BoxFilter(std::size_t from_, std::size_t to) : from(from_), divide(RoundedWidth(from_, to)) {
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

// Destination pixel j's weighted sum is (B << 16) + W(j) - W(j - 1), where B is the plain
// sum of the pixels first .. last - 1 and W(j) = trail * p[trailAt]: the part of the pixel
// at the span's end that falls inside it. The next span's leading pixel is that same
// pixel with weight 65536 - trail, so subtracting W(j - 1) from its whole weight in B
// gives exactly the lead weight of the filter; one block sum and one product per span.
struct Carry {
    u64 b = 0, g = 0, r = 0;
};

inline void FinishPixel(const Span& span, const BoxFilter& filter, const u8* source, u64 b, u64 g,
                        u64 r, Carry& carry, u8* destination) {
    const u8* trail = source + 3 * span.trailAt;
    const Carry next{span.trail * trail[0], span.trail * trail[1], span.trail * trail[2]};
    destination[0] = filter.divide((b << 16) + next.b - carry.b);
    destination[1] = filter.divide((g << 16) + next.g - carry.g);
    destination[2] = filter.divide((r << 16) + next.r - carry.r);
    carry = next;
}

void BlockSumPlain(const u8* p, std::size_t count, u64& b, u64& g, u64& r) {
    u64 sb = 0, sg = 0, sr = 0;
    for (const u8* end = p + 3 * count; p < end; p += 3) {
        sb += p[0];
        sg += p[1];
        sr += p[2];
    }
    b = sb;
    g = sg;
    r = sr;
}

#if defined(__SSE2__) && defined(__x86_64__)
// Block sums 16 pixels (48 bytes) at a time. Byte k of the three loads holds channel k,
// k + 1 and k + 2 (mod 3), so masking each load by a different residue class and OR-ing
// them gathers the 16 values of one channel into one register, in some order, which the
// sum of absolute differences against zero adds up.
struct ChannelMasks {
    __m128i m[3];
    ChannelMasks() {
        alignas(16) u8 bytes[3][16];
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 16; ++k) {
                bytes[c][k] = k % 3 == c ? 0xFF : 0;
            }
            m[c] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes[c]));
        }
    }
};

// 48 set bytes then 48 clear ones: a window at 48 - n keeps the first n bytes of 48.
alignas(16) constexpr u8 kKeepFirst[96] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The pass is quick enough that waiting for memory dominates a big picture; asking for
// the bytes about 1 KB ahead (into the next row at a row's end, which is harmless) more
// than halves its time. Prefetching never faults, so no bound is needed.
constexpr std::size_t kPrefetchAhead = 1024;

inline __m128i Load(const u8* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Whole groups of 16 pixels lie inside the span; a shorter rest is read as 48 bytes too,
// the bytes past it masked off, unless those could pass rowEnd (the last spans of a row,
// which the caller marks as nearEnd).
template <bool nearEnd>
void BlockSumWide(const u8* p, std::size_t count, const u8* rowEnd, const ChannelMasks& masks,
                  u64& b, u64& g, u64& r) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i m0 = masks.m[0], m1 = masks.m[1], m2 = masks.m[2];
    __m128i sb = zero, sg = zero, sr = zero;
    auto add = [&](__m128i x0, __m128i x1, __m128i x2) {
        const __m128i vb = _mm_or_si128(_mm_or_si128(_mm_and_si128(x0, m0), _mm_and_si128(x1, m2)),
                                        _mm_and_si128(x2, m1));
        const __m128i vg = _mm_or_si128(_mm_or_si128(_mm_and_si128(x0, m1), _mm_and_si128(x1, m0)),
                                        _mm_and_si128(x2, m2));
        const __m128i vr = _mm_or_si128(_mm_or_si128(_mm_and_si128(x0, m2), _mm_and_si128(x1, m1)),
                                        _mm_and_si128(x2, m0));
        sb = _mm_add_epi64(sb, _mm_sad_epu8(vb, zero));
        sg = _mm_add_epi64(sg, _mm_sad_epu8(vg, zero));
        sr = _mm_add_epi64(sr, _mm_sad_epu8(vr, zero));
    };
    for (; count >= 16; count -= 16, p += 48) {
        add(Load(p), Load(p + 16), Load(p + 32));
    }
    u64 restB = 0, restG = 0, restR = 0;
    if (count > 0 && (!nearEnd || rowEnd - p >= 48)) {
        const u8* keep = kKeepFirst + 48 - 3 * count;
        add(_mm_and_si128(Load(p), Load(keep)), _mm_and_si128(Load(p + 16), Load(keep + 16)),
            _mm_and_si128(Load(p + 32), Load(keep + 32)));
    } else if (count > 0) {
        BlockSumPlain(p, count, restB, restG, restR);
    }
    const __m128i bg = _mm_add_epi64(_mm_unpacklo_epi64(sb, sg), _mm_unpackhi_epi64(sb, sg));
    b = u64(_mm_cvtsi128_si64(bg)) + restB;
    g = u64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(bg, bg))) + restG;
    r = u64(_mm_cvtsi128_si64(_mm_add_epi64(sr, _mm_unpackhi_epi64(sr, sr)))) + restR;
}

// One row across: every destination pixel from its span of the source row.
void ShrinkRow(const u8* source, u8* destination, const BoxFilter& filter) {
    static const ChannelMasks masks;
    const u8* rowEnd = source + 3 * filter.from;
    Carry carry;
    for (const Span& span : filter.spans) {
        _mm_prefetch(reinterpret_cast<const char*>(source + 3 * span.first + kPrefetchAhead),
                     _MM_HINT_T0);
        const u8* first = source + 3 * span.first;
        const std::size_t count = span.last - span.first;
        u64 b, g, r;
        if (rowEnd - first >= std::ptrdiff_t(48 * ((count + 15) / 16))) {
            BlockSumWide<false>(first, count, rowEnd, masks, b, g, r);
        } else {
            BlockSumWide<true>(first, count, rowEnd, masks, b, g, r);
        }
        FinishPixel(span, filter, source, b, g, r, carry, destination);
        destination += 3;
    }
}
#else
// One row across: every destination pixel from its span of the source row.
void ShrinkRow(const u8* source, u8* destination, const BoxFilter& filter) {
    Carry carry;
    for (const Span& span : filter.spans) {
        u64 b, g, r;
        BlockSumPlain(source + 3 * span.first, span.last - span.first, b, g, r);
        FinishPixel(span, filter, source, b, g, r, carry, destination);
        destination += 3;
    }
}
#endif

// Adds a row of bytes to the column sums.
template <typename Sum> void AddRow(const u8* row, Sum* sums, std::size_t count) {
    std::size_t x = 0;
#if defined(__SSE2__) && defined(__x86_64__)
    if constexpr (std::is_same_v<Sum, u32>) {
        const __m128i zero = _mm_setzero_si128();
        for (; x + 16 <= count; x += 16) {
            const __m128i bytes = Load(row + x);
            const __m128i low = _mm_unpacklo_epi8(bytes, zero);
            const __m128i high = _mm_unpackhi_epi8(bytes, zero);
            __m128i* out = reinterpret_cast<__m128i*>(sums + x);
            _mm_storeu_si128(out,
                             _mm_add_epi32(_mm_loadu_si128(out), _mm_unpacklo_epi16(low, zero)));
            _mm_storeu_si128(
                out + 1, _mm_add_epi32(_mm_loadu_si128(out + 1), _mm_unpackhi_epi16(low, zero)));
            _mm_storeu_si128(
                out + 2, _mm_add_epi32(_mm_loadu_si128(out + 2), _mm_unpacklo_epi16(high, zero)));
            _mm_storeu_si128(
                out + 3, _mm_add_epi32(_mm_loadu_si128(out + 3), _mm_unpackhi_epi16(high, zero)));
        }
    }
#endif
    for (; x < count; ++x) {
        sums[x] += row[x];
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
            AddRow(row, whole.data(), rowBytes);
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
