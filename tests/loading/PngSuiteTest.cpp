// Every PNG of libpng's test set (data/pngsuite, see its README) through the PNG plug-in,
// compared with Pillow's decode of the same file laid onto white (reference.bin, made by
// make_reference.py): each colour type and depth, interlaced or not, with tRNS and
// alpha, and the damaged files, refused where Pillow refuses them (but for the few
// listed below, where the plug-in's answer differs on purpose).
#include "PlugInDecode.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace folivex {
namespace {

using test::Bytes;

const std::string kSuite = FOLIVEX_SOURCE_DIR "/tests/loading/data/pngsuite/";

struct Reference {
    std::string name;
    bool refused = false;
    int width = 0, height = 0;
    Bytes rgb; // rows from the top
};

std::vector<Reference> ReadReferences() {
    const Bytes packed = test::ReadBytes(kSuite + "reference.bin");
    const QByteArray blob =
        qUncompress(reinterpret_cast<const uchar*>(packed.data()), qsizetype(packed.size()));
    std::vector<Reference> out;
    const auto* p = reinterpret_cast<const std::uint8_t*>(blob.constData());
    const auto* end = p + blob.size();
    while (p < end) {
        Reference r;
        r.name.assign(reinterpret_cast<const char*>(p + 1), p[0]);
        p += 1 + p[0];
        r.refused = *p++ != 0;
        if (!r.refused) {
            r.width = p[0] | p[1] << 8;
            r.height = p[2] | p[3] << 8;
            p += 4;
            r.rgb.assign(p, p + std::ptrdiff_t(r.width) * r.height * 3);
            p += r.rgb.size();
        }
        out.push_back(std::move(r));
    }
    return out;
}

int LargestDifference(const Bytes& a, const Bytes& b) {
    int most = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        most = std::max(most, std::abs(int(a[i]) - int(b[i])));
    return most;
}

// One level per channel: the plug-in rounds 16-bit samples to 8 bits where Pillow keeps
// their high byte, and lays alpha onto white with the same rounding as the reference.
// Nothing in the set is handled differently on purpose (both ignore gAMA, sBIT, bKGD),
// so no file has a tolerance of its own.
constexpr int kTolerance = 1;

// Where the plug-in's answer differs from Pillow's on purpose. Refused though Pillow shows
// a picture: the CRC of a critical chunk is wrong, or the image data runs past the end of
// the file (Pillow pads it). Shown though Pillow refuses it: ancillary chunks of no
// length around a 1 x 1 picture of palette entry (128, 0, 128), which libpng skips.
const char* const kRefusedThoughPillowShowsThem[] = {"crashers/badcrc.png",
                                                     "crashers/huge_IDAT.png"};
const std::string kShownThoughPillowRefusesIt = "crashers/empty_ancillary_chunks.png";

bool RefusedThoughPillowShowsIt(const std::string& name) {
    return std::find(std::begin(kRefusedThoughPillowShowsThem),
                     std::end(kRefusedThoughPillowShowsThem),
                     name) != std::end(kRefusedThoughPillowShowsThem);
}

// 1 when the plug-in answered as the reference says, 0 when it failed (and said why).
int Compare(TInSPI& spi, const Reference& r) {
    SCOPED_TRACE(r.name);
    const test::Decoded d = test::DecodeWith(spi, test::ReadBytes(kSuite + r.name));
    if (r.name == kShownThoughPillowRefusesIt) {
        EXPECT_EQ(d.rgb, (Bytes{128, 0, 128}));
        return d.rgb == Bytes{128, 0, 128};
    }
    if (r.refused || RefusedThoughPillowShowsIt(r.name)) {
        EXPECT_NE(d.result, 0);
        return d.result != 0;
    }
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.bits, 24);
    EXPECT_EQ(d.width, r.width);
    EXPECT_EQ(d.height, r.height);
    if (d.rgb.size() != r.rgb.size())
        return 0;
    const int difference = LargestDifference(d.rgb, r.rgb);
    EXPECT_LE(difference, kTolerance);
    return difference <= kTolerance;
}

TEST(PngSuite, EveryFileDecodesAsTheReferenceOrIsRefused) {
    const auto spi = test::BundledPlugIn("ifpng");
    const std::vector<Reference> references = ReadReferences();
    int refused = 0, matched = 0;
    for (const Reference& r : references) {
        const bool refuse = (r.refused && r.name != kShownThoughPillowRefusesIt) ||
                            RefusedThoughPillowShowsIt(r.name);
        (refuse ? refused : matched) += Compare(*spi, r);
    }
    // All 147 files answered: 125 pictures, 22 refusals.
    EXPECT_EQ(references.size(), 147u);
    EXPECT_EQ(matched, 125);
    EXPECT_EQ(refused, 22);
}

} // namespace
} // namespace folivex
