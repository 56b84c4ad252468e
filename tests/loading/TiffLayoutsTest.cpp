// The TIFF plug-in's direct reading of 8- and 16-bit grey and 8-bit palette, RGB and RGBA pages
// (strips or tiles, contiguous or separate planes, any orientation) against libtiff's RGBA reader,
// which the plug-in uses for every other layout: each page is written twice, at 8 bits
// and as its twin at 16 bits (each sample v as v * 257, or as v with any low byte for grey, whose
// high byte counts) or, for a palette, with 4-bit indices, which only the RGBA reader takes. Both
// must decode to the same pixels.
#include "PlugInDecode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace folivex {
namespace {

using test::Bytes;

enum Kind {
    kGrey,
    kGreyInverted,
    kPalette,
    kRgb,
    kRgbaAssociated,
    kRgbaUnassociated,
    kRgbaUnspecified
};

struct Layout {
    Kind kind;
    bool separate = false, tiled = false;
    int orientation = 1;
    bool wideColourMap = true; // 16-bit colour map entries, else all under 256
    std::uint32_t width = 37, height = 21;
};

constexpr std::uint32_t kRowsPerStrip = 5, kTile = 16;

int SamplesOf(Kind k) {
    return k == kRgb ? 3 : k >= kRgbaAssociated ? 4 : 1;
}

// A sample of the picture: busy enough that a misplaced pixel shows; palette indices
// stay under 16 for the 4-bit twin, and associated colour sometimes exceeds its alpha as
// damaged files have it.
std::uint32_t SampleAt(const Layout& l, std::uint32_t x, std::uint32_t y, int c) {
    const std::uint32_t v = (x * 73 + y * 151 + std::uint32_t(c) * 89 + x * y * 7) % 256;
    return l.kind == kPalette ? v % 16 : v;
}

class Writer {
public:
    Bytes out;
    void Put(std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(std::uint8_t(v >> 8 * i));
    }
    void PutAt(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + std::size_t(i)] = std::uint8_t(v >> 8 * i);
    }
};

// One block (strip or tile) of samples: rows [y0, y0 + rows) and columns [x0, x0 + cols)
// of one plane, or of all samples interleaved; past the picture's edge, zeros.
Bytes Block(const Layout& l, int bits, int plane, std::uint32_t x0, std::uint32_t y0,
            std::uint32_t cols, std::uint32_t rows) {
    const int samples = l.separate ? 1 : SamplesOf(l.kind);
    Bytes b;
    for (std::uint32_t y = y0; y < y0 + rows; ++y) {
        std::uint8_t nibbles = 0;
        for (std::uint32_t x = x0; x < x0 + cols; ++x)
            for (int s = 0; s < samples; ++s) {
                const bool inside = x < l.width && y < l.height;
                const std::uint32_t v = inside ? SampleAt(l, x, y, l.separate ? plane : s) : 0;
                if (bits == 4 && (x - x0) % 2 == 0)
                    nibbles = std::uint8_t(v << 4);
                else if (bits == 4)
                    b.push_back(std::uint8_t(nibbles | v));
                else if (bits == 16) // v * 257; grey, which keeps its high byte, any low one
                    b.insert(b.end(), {std::uint8_t(l.kind <= kGreyInverted ? x * 13 + y * 7 : v),
                                       std::uint8_t(v)});
                else
                    b.push_back(std::uint8_t(v));
            }
        if (bits == 4 && cols % 2)
            b.push_back(nibbles);
    }
    return b;
}

Bytes MakeTiff(const Layout& l, int bits) {
    const int samples = SamplesOf(l.kind), planes = l.separate ? samples : 1;
    std::vector<Bytes> blocks;
    for (int p = 0; p < planes; ++p) {
        if (l.tiled) {
            for (std::uint32_t y = 0; y < l.height; y += kTile)
                for (std::uint32_t x = 0; x < l.width; x += kTile)
                    blocks.push_back(Block(l, bits, p, x, y, kTile, kTile));
        } else {
            for (std::uint32_t y = 0; y < l.height; y += kRowsPerStrip)
                blocks.push_back(
                    Block(l, bits, p, 0, y, l.width, std::min(kRowsPerStrip, l.height - y)));
        }
    }
    const std::uint16_t photometric = l.kind == kGrey           ? 1
                                      : l.kind == kGreyInverted ? 0
                                      : l.kind == kPalette      ? 3
                                                                : 2;
    struct Tag {
        std::uint16_t tag, type;
        std::vector<std::uint32_t> values;
    };
    std::vector<Tag> tags = {
        {256, 4, {l.width}},
        {257, 4, {l.height}},
        {258, 3, std::vector<std::uint32_t>(std::size_t(samples), std::uint32_t(bits))},
        {259, 3, {1}},
        {262, 3, {photometric}},
        {l.tiled ? std::uint16_t(324) : std::uint16_t(273), 4,
         std::vector<std::uint32_t>(blocks.size())},
        {274, 3, {std::uint32_t(l.orientation)}},
        {277, 3, {std::uint32_t(samples)}},
        {l.tiled ? std::uint16_t(325) : std::uint16_t(279), 4, {}},
        {284, 3, {l.separate ? 2u : 1u}},
    };
    for (const Bytes& b : blocks)
        tags[8].values.push_back(std::uint32_t(b.size()));
    if (!l.tiled)
        tags.push_back({278, 4, {kRowsPerStrip}});
    if (l.tiled)
        tags.insert(tags.end(), {{322, 4, {kTile}}, {323, 4, {kTile}}});
    if (l.kind == kPalette) {
        Tag map{320, 3, {}};
        for (int c = 0; c < 3; ++c)
            for (std::uint32_t i = 0; i < (1u << bits); ++i) {
                const std::uint32_t v = i < 16 ? (i * 37 + std::uint32_t(c) * 101) % 256 : 0;
                map.values.push_back(l.wideColourMap ? v * 257 : v);
            }
        tags.push_back(map);
    }
    if (l.kind >= kRgbaAssociated)
        tags.push_back({338, 3, {std::uint32_t(l.kind - kRgbaAssociated + 1) % 3}});
    std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });

    Writer w;
    w.out = {'I', 'I', 42, 0};
    w.Put(8, 4);
    w.Put(std::uint32_t(tags.size()), 2);
    std::vector<std::pair<std::size_t, const Tag*>> later; // offsets to fill in
    for (const Tag& t : tags) {
        const int size = t.type == 3 ? 2 : 4;
        w.Put(t.tag, 2);
        w.Put(t.type, 2);
        w.Put(std::uint32_t(t.values.size()), 4);
        if (t.values.size() * std::size_t(size) <= 4) {
            for (std::uint32_t v : t.values)
                w.Put(v, size);
            for (std::size_t pad = t.values.size() * std::size_t(size); pad < 4; ++pad)
                w.out.push_back(0);
        } else {
            later.push_back({w.out.size(), &t});
            w.Put(0, 4);
        }
    }
    w.Put(0, 4);
    std::size_t offsets = 0;
    for (auto [at, t] : later) {
        w.PutAt(at, std::uint32_t(w.out.size()));
        if (t->tag == 273 || t->tag == 324)
            offsets = w.out.size();
        for (std::uint32_t v : t->values)
            w.Put(v, t->type == 3 ? 2 : 4);
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        w.PutAt(offsets + 4 * i, std::uint32_t(w.out.size()));
        w.out.insert(w.out.end(), blocks[i].begin(), blocks[i].end());
    }
    return w.out;
}

std::string Name(const Layout& l) {
    static const char* const kKinds[] = {"grey",
                                         "grey (min is white)",
                                         "palette",
                                         "RGB",
                                         "RGBA associated",
                                         "RGBA unassociated",
                                         "RGBA unspecified"};
    return std::string(kKinds[l.kind]) + (l.separate ? ", separate" : ", contiguous") +
           (l.tiled ? ", tiles" : ", strips") + ", orientation " + std::to_string(l.orientation) +
           (l.kind == kPalette && !l.wideColourMap ? ", 8-bit colour map" : "") + ", " +
           std::to_string(l.width) + " x " + std::to_string(l.height);
}

TEST(TiffLayouts, ReadDirectlyAsLibtiffsRgbaReaderReadsThem) {
    const Layout layouts[] = {
        {kGrey},
        {kGrey, false, true, 6},
        {kGreyInverted, false, false, 3},
        {kGreyInverted, false, true, 1},
        {kPalette},
        {kPalette, false, true, 1, false},
        {kPalette, false, false, 8},
        {kRgb},
        {kRgb, true},
        {kRgb, false, true},
        {kRgb, true, true, 5},
        {kRgb, false, false, 2},
        {kRgb, false, false, 4},
        {kRgb, false, true, 7},
        {kRgbaAssociated},
        {kRgbaAssociated, true, true, 6},
        {kRgbaUnassociated},
        {kRgbaUnassociated, true},
        {kRgbaUnassociated, false, true, 3},
        {kRgbaUnspecified, false, false, 8},
        // large enough for the strips to be shared out between threads
        {kRgb, false, false, 6, true, 1031, 1029},
        {kRgb, true, false, 1, true, 1031, 1029},
    };
    const auto tiff = test::BundledPlugIn("iftiff");
    for (const Layout& l : layouts) {
        SCOPED_TRACE(Name(l));
        const test::Decoded direct = test::DecodeWith(*tiff, MakeTiff(l, 8));
        // 16-bit grey is read directly too (its edge tiles, which libtiff 4.5's RGBA
        // reader leaves blank, included); 16-bit colour and 4-bit indices take the RGBA
        // reader.
        const test::Decoded general =
            test::DecodeWith(*tiff, MakeTiff(l, l.kind == kPalette ? 4 : 16));
        ASSERT_EQ(direct.result, 0);
        ASSERT_EQ(general.result, 0);
        const bool turned = l.orientation >= 5;
        EXPECT_EQ(direct.width, int(turned ? l.height : l.width));
        EXPECT_EQ(direct.height, int(turned ? l.width : l.height));
        EXPECT_EQ(direct.width, general.width);
        EXPECT_EQ(direct.height, general.height);
        EXPECT_TRUE(direct.rgb == general.rgb);
        if (l.kind == kRgb && l.orientation == 1) { // and both are the picture written
            const test::Rgb8 p = direct.At(5, 3);
            EXPECT_EQ(std::vector<int>({p.r, p.g, p.b}),
                      std::vector<int>({int(SampleAt(l, 5, 3, 0)), int(SampleAt(l, 5, 3, 1)),
                                        int(SampleAt(l, 5, 3, 2))}));
        }
    }
}

} // namespace
} // namespace folivex
