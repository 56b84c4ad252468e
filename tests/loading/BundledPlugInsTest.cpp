// The bundled picture plug-ins through the real host: found by the plug-in search, their
// patterns announced to the file filters, every sample decoded at its true size and
// colour (transparency on white, orientation applied), and truncated data, pictures too
// large to decode and a host that asks to stop each answered with an error code.
#include "LoadingTestUtil.h"
#include "PlugInDecode.h"
#include "loading/LocalMemory.h"
#include "loading/PictureLoader.h"
#include "loading/ReadableFormats.h"
#include "loading/SPIBitmap.h"
#include "loading/SPIs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace folivex {
namespace {

using test::Bytes;

const std::string kSamples = FOLIVEX_SOURCE_DIR "/tests/loading/data/plugins/";
const char* const kBundled[] = {"ifpng", "ifgif", "iftiff", "ifwebp", "ifheif", "ifjxl", "ifpnm"};

Bytes ReadSample(const std::string& name) {
    std::ifstream in(kSamples + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Rgb {
    int r, g, b;
};
const Rgb kWhite{255, 255, 255};
const Rgb kRed{200, 30, 40};
const Rgb kGreen{20, 180, 60};
const Rgb kBlue{30, 60, 210};

// The bundled plug-ins, loaded by the host's own search of the program folder.
class BundledPlugIns : public ::testing::Test {
protected:
    TInSPI* PlugIn(const std::string& name) { return host.PlugIn(name); }
    Bitmap24 Load(const std::string& name) {
        TSPIBitmap bitmap;
        return LoadPicture24(kSamples + name, bitmap);
    }

    test::BundledPlugInHost host;
    PictureRegistry& registry = host.registry;
    ReadableFormats& formats = host.formats;
    TSPIs* spis = &host.spis;
};

Rgb PixelOf(const Bitmap24& b, int x, int y) {
    const std::uint8_t* p = b.row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Text(Rgb c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

TEST_F(BundledPlugIns, AreFoundAndAnnounceTheirPatterns) {
    for (const char* name : kBundled) {
        TInSPI* spi = PlugIn(name);
        ASSERT_NE(spi, nullptr) << name;
        EXPECT_EQ(spi->APIVersion(), "00IN") << name;
        EXPECT_EQ(spi->PluginInfo().rfind(std::string(name) + ": ", 0), 0u) << spi->PluginInfo();
        EXPECT_EQ(spi->Filters().size(), spi->FilterNames().size()) << name;
    }
    const auto patterns = formats.FileExtPatterns();
    for (const char* pattern :
         {"*.png", "*.gif", "*.tif", "*.tiff", "*.webp", "*.heic", "*.heif", "*.avif", "*.jxl"}) {
        EXPECT_NE(std::find(patterns.begin(), patterns.end(), pattern), patterns.end()) << pattern;
        EXPECT_NE(formats.DialogFilter().find(std::string("|") + pattern + "|"), std::string::npos)
            << pattern;
        EXPECT_NE(registry.Find(std::string(pattern).substr(2)), nullptr) << pattern;
    }
}

// A solid sample: every pixel of one colour, within the tolerance of a lossy format.
struct SolidCase {
    const char* file;
    int width, height;
    Rgb colour;
    int tolerance;
};

const SolidCase kSolid[] = {
    {"rgb8.png", 5, 3, kRed, 0},
    {"rgba_half.png", 4, 4, {127, 127, 255}, 1}, // blue at half alpha over white
    {"grey8.png", 3, 2, {90, 90, 90}, 0},
    {"bilevel.png", 9, 2, kWhite, 0},
    {"interlaced.png", 17, 9, kGreen, 0},
    {"grey16.png", 6, 5, {128, 128, 128}, 1},
    {"palette_trns.png", 4, 3, kWhite, 0},
    {"solid.gif", 7, 4, kGreen, 0},
    {"transparent.gif", 7, 4, kWhite, 0},
    {"animated.gif", 6, 6, kRed, 8}, // the first of a red and a blue frame
    {"rgb.tif", 6, 4, kBlue, 0},
    {"rgba_clear.tif", 5, 5, kWhite, 0},
    {"cmyk.tif", 3, 3, {255, 0, 0}, 0},
    {"lossy.webp", 8, 6, kGreen, 8},
    {"lossless_alpha.webp", 8, 6, kWhite, 0},
    {"animated.webp", 6, 6, kBlue, 0},
    {"green.heic", 64, 48, kGreen, 10},
    {"green.avif", 64, 48, kGreen, 10},
    {"clear.heic", 64, 48, kWhite, 2},
    {"odd.heic", 33, 21, kGreen, 10}, // a grid of one tile larger than the picture
    {"blue.jxl", 9, 5, kBlue, 2},
    {"rgba_half.jxl", 4, 4, {127, 127, 255}, 2},
    {"rgb.ppm", 5, 3, kRed, 0},
};

TEST_F(BundledPlugIns, DecodeSolidSamplesAtTheirSizeAndColour) {
    for (const SolidCase& c : kSolid) {
        SCOPED_TRACE(c.file);
        Bitmap24 picture;
        ASSERT_NO_THROW(picture = Load(c.file));
        ASSERT_EQ(picture.width, c.width);
        ASSERT_EQ(picture.height, c.height);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                ASSERT_TRUE(Near(PixelOf(picture, x, y), c.colour, c.tolerance))
                    << x << "," << y << " " << Text(PixelOf(picture, x, y));
    }
}

TEST_F(BundledPlugIns, PictureInfoGivesTheUprightSize) {
    const struct {
        const char* plugIn;
        const char* file;
        int width, height;
    } cases[] = {
        {"ifpng", "interlaced.png", 17, 9}, {"ifgif", "animated.gif", 6, 6},
        {"iftiff", "orient6.tif", 4, 6},    {"ifwebp", "orient8.webp", 4, 6},
        {"ifheif", "green.avif", 64, 48},   {"ifjxl", "blue.jxl", 9, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TInSPI* spi = PlugIn(c.plugIn);
        ASSERT_NE(spi, nullptr);
        const Bytes data = ReadSample(c.file);
        SusiePictureInfo info{};
        ASSERT_EQ(spi->GetPictureInfo(reinterpret_cast<const char*>(data.data()),
                                      intptr_t(data.size()), 1, &info),
                  0);
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        const HLOCAL text = info.hInfo; // a copy: the record is packed
        EXPECT_EQ(text, nullptr);
    }
}

// Samples stored 6 x 4 with the top-left 2 x 2 red and the rest blue: upright they are
// 4 x 6, the red corner where the orientation puts the stored first row and column.
TEST_F(BundledPlugIns, TurnPicturesUprightByTheirOrientation) {
    const struct {
        const char* file;
        int redX, redY; // the red corner's outer pixel, upright
    } cases[] = {
        {"orient6.tif", 3, 0},  // 6: stored top row on the right
        {"orient8.webp", 0, 5}, // 8: stored top row on the left, first column at the bottom
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Bitmap24 picture = Load(c.file);
        ASSERT_EQ(picture.width, 4);
        ASSERT_EQ(picture.height, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 4; ++x) {
                const bool red = std::abs(x - c.redX) <= 1 && std::abs(y - c.redY) <= 1;
                EXPECT_TRUE(Near(PixelOf(picture, x, y), red ? kRed : kBlue, 0))
                    << x << "," << y << " " << Text(PixelOf(picture, x, y));
            }
    }
}

// The data in a heap block of exactly its length, so a read past the end is caught by
// the sanitizer build; IsSupported still gets its 2048 bytes.
struct Exact {
    explicit Exact(const Bytes& bytes) : data(std::make_unique<char[]>(bytes.size() + 1)) {
        std::copy(bytes.begin(), bytes.end(), data.get());
        size = bytes.size();
        std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), head.size()), head.begin());
    }
    std::unique_ptr<char[]> data;
    std::size_t size;
    std::array<char, 2048> head{};
};

int32_t Continue(int32_t, int32_t, intptr_t calls) {
    ++*reinterpret_cast<int*>(calls);
    return 0;
}
int32_t Stop(int32_t, int32_t, intptr_t) {
    return 1;
}

int32_t Decode(TInSPI& spi, const Bytes& bytes, SusieProgressCallback progress, intptr_t data,
               HLOCAL& info, HLOCAL& bits) {
    Exact exact(bytes);
    info = bits = nullptr;
    return spi.GetPicture(exact.data.get(), intptr_t(exact.size), 1, &info, &bits, progress, data);
}

const struct {
    const char* plugIn;
    const char* file;
} kOnePerPlugIn[] = {
    {"ifpng", "interlaced.png"}, {"ifgif", "solid.gif"},   {"iftiff", "rgb.tif"},
    {"ifwebp", "lossy.webp"},    {"ifheif", "green.heic"}, {"ifjxl", "blue.jxl"},
    {"ifpnm", "rgb.ppm"},
};

TEST_F(BundledPlugIns, AnswerBottomUpBitmapsAndReportProgress) {
    for (const auto& c : kOnePerPlugIn) {
        SCOPED_TRACE(c.file);
        TInSPI* spi = PlugIn(c.plugIn);
        ASSERT_NE(spi, nullptr);
        const Bytes data = ReadSample(c.file);
        Exact exact(data);
        EXPECT_NE(spi->IsSupported(c.file, exact.head.data()), 0);
        EXPECT_EQ(spi->IsSupported(c.file, std::array<char, 2048>{}.data()), 0);
        int calls = 0;
        HLOCAL info, bits;
        ASSERT_EQ(Decode(*spi, data, Continue, reinterpret_cast<intptr_t>(&calls), info, bits), 0);
        EXPECT_GE(calls, 2);
        auto* header = static_cast<const std::uint8_t*>(LocalLock(info));
        ASSERT_NE(header, nullptr);
        std::int32_t height;
        std::memcpy(&height, header + 8, 4);
        EXPECT_GT(height, 0); // rows from the bottom
        const int bitCount = header[14];
        EXPECT_EQ(bitCount, std::string(c.plugIn) == "ifgif" ? 8 : 24);
        EXPECT_EQ(LocalSize(info), bitCount == 8 ? 40u + 1024u : 40u);
        LocalUnlock(info);
        EXPECT_EQ(LocalFree(info), nullptr);
        EXPECT_EQ(LocalFree(bits), nullptr);
    }
}

// Stops at the report whose number (from 0) it is given.
int32_t StopAt(int32_t, int32_t, intptr_t stopAt) {
    auto* left = reinterpret_cast<int*>(stopAt);
    return (*left)-- == 0 ? 1 : 0;
}

// Asked to stop at the first report, a middle one or the last, each plug-in answers the
// abort code and leaves no handle behind (its own memory the sanitizer build checks).
TEST_F(BundledPlugIns, StopWhenTheHostAsksWithTheAbortCode) {
    for (const auto& c : kOnePerPlugIn) {
        SCOPED_TRACE(c.file);
        TInSPI* spi = PlugIn(c.plugIn);
        ASSERT_NE(spi, nullptr);
        const Bytes data = ReadSample(c.file);
        HLOCAL info, bits;
        EXPECT_EQ(Decode(*spi, data, Stop, 0, info, bits), 1);
        EXPECT_EQ(info, nullptr);
        EXPECT_EQ(bits, nullptr);
        int reports = 0;
        ASSERT_EQ(Decode(*spi, data, Continue, reinterpret_cast<intptr_t>(&reports), info, bits),
                  0);
        LocalFree(info);
        LocalFree(bits);
        for (int stop : {0, reports / 2, reports - 1}) {
            SCOPED_TRACE("stopped at report " + std::to_string(stop) + " of " +
                         std::to_string(reports));
            const std::size_t handles = LiveLocalHandles();
            int left = stop;
            EXPECT_EQ(Decode(*spi, data, StopAt, reinterpret_cast<intptr_t>(&left), info, bits), 1);
            EXPECT_EQ(info, nullptr);
            EXPECT_EQ(bits, nullptr);
            EXPECT_EQ(LiveLocalHandles(), handles);
        }
    }
}

TEST_F(BundledPlugIns, RefuseTruncatedAndForeignData) {
    for (const SolidCase& c : kSolid) {
        const Bytes whole = ReadSample(c.file);
        // Cut short of the last 13 bytes: past any end mark (a PNG's closing chunk is 12).
        for (std::size_t keep :
             {std::size_t(0), std::size_t(8), whole.size() / 2, whole.size() - 13}) {
            if (keep == whole.size() - 13 && std::string(c.file).find("animated") == 0)
                continue; // the first frame ends long before the file does
            SCOPED_TRACE(std::string(c.file) + " cut to " + std::to_string(keep));
            const Bytes cut(whole.begin(), whole.begin() + std::ptrdiff_t(keep));
            for (const char* name : kBundled) {
                TInSPI* spi = PlugIn(name);
                ASSERT_NE(spi, nullptr);
                HLOCAL info, bits;
                int calls = 0;
                EXPECT_NE(
                    Decode(*spi, cut, Continue, reinterpret_cast<intptr_t>(&calls), info, bits), 0)
                    << name;
                EXPECT_EQ(info, nullptr) << name;
            }
        }
    }
}

// ---- headers that claim pictures too large to decode ----

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBig32(Bytes& b, std::uint32_t v) {
    test::Append(
        b, {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

void PngChunk(Bytes& b, const char* type, const Bytes& body) {
    PutBig32(b, std::uint32_t(body.size()));
    const std::size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), body.begin(), body.end());
    PutBig32(b, Crc32(b.data() + start, b.size() - start));
}

Bytes PngHeader(std::uint32_t w, std::uint32_t h) {
    Bytes b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    PutBig32(ihdr, w);
    PutBig32(ihdr, h);
    test::Append(ihdr, {8, 2, 0, 0, 0});
    PngChunk(b, "IHDR", ihdr);
    PngChunk(b, "IDAT", {0x78, 0x9C});
    PngChunk(b, "IEND", {});
    return b;
}

Bytes GifHeader(std::uint16_t w, std::uint16_t h) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    test::Put16(b, w);
    test::Put16(b, h);
    test::Append(b, {0, 0, 0, ','});
    test::Put32(b, 0);
    test::Put16(b, w);
    test::Put16(b, h);
    test::Append(b, {0, 2, 2, 0x4C, 0x01, 0, ';'});
    return b;
}

Bytes TiffHeader(std::uint32_t w, std::uint32_t h) {
    Bytes b{'I', 'I', 42, 0, 8, 0, 0, 0};
    const std::pair<std::uint16_t, std::uint32_t> tags[] = {
        {256, w}, {257, h}, {258, 8}, {259, 1}, {262, 1}, {273, 8}, {277, 1}, {278, h}, {279, 1}};
    test::Put16(b, std::size(tags));
    for (auto [tag, value] : tags) {
        test::Put16(b, tag);
        test::Put16(b, 4); // LONG
        test::Put32(b, 1);
        test::Put32(b, value);
    }
    test::Put32(b, 0);
    return b;
}

TEST_F(BundledPlugIns, RefusePicturesOverTwoToTheTwentyEighthPixels) {
    const struct {
        const char* plugIn;
        Bytes small, huge;
    } cases[] = {
        {"ifpng", PngHeader(100, 100), PngHeader(16385, 16384)},
        {"ifgif", GifHeader(100, 100), GifHeader(65535, 65535)},
        {"iftiff", TiffHeader(100, 100), TiffHeader(16385, 16384)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plugIn);
        TInSPI* spi = PlugIn(c.plugIn);
        ASSERT_NE(spi, nullptr);
        SusiePictureInfo info{};
        Exact small(c.small), huge(c.huge);
        ASSERT_EQ(spi->GetPictureInfo(small.data.get(), intptr_t(small.size), 1, &info), 0);
        EXPECT_EQ(info.width, 100);
        EXPECT_NE(spi->GetPictureInfo(huge.data.get(), intptr_t(huge.size), 1, &info), 0);
        HLOCAL hinfo, bits;
        EXPECT_NE(Decode(*spi, c.huge, nullptr, 0, hinfo, bits), 0);
        EXPECT_EQ(hinfo, nullptr);
    }
}

// A few hundred bytes of HEIF whose grid claims a picture of 32768 x 32768 (libheif's own
// cap) from 64 x 48 tiles: refused before libheif allocates the gigabytes.
TEST_F(BundledPlugIns, RefuseAHeifGridLargerThanTheLimit) {
    std::ifstream in(FOLIVEX_SOURCE_DIR
                     "/fuzz/corpus/spi_ifheif/oom-libheif-grid-output-beyond-its-tiles.heic",
                     std::ios::binary);
    const Bytes grid((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(grid.empty());
    TInSPI* spi = PlugIn("ifheif");
    ASSERT_NE(spi, nullptr);
    HLOCAL hinfo, bits;
    EXPECT_NE(Decode(*spi, grid, nullptr, 0, hinfo, bits), 0);
    EXPECT_EQ(hinfo, nullptr);
}

} // namespace
} // namespace folivex
