// The bundled camera raw plug-in (ifraw.spi) through the real host, on DNGs written here
// byte by byte and on camera samples from Debian's exiv2 and ExifTool sources: which
// picture a raw shows (the embedded preview when it is big enough, else the half-size
// demosaic), that either comes upright exactly once, that the size GetPictureInfo gives
// is the size GetPicture delivers, that ordinary TIFFs are left to the TIFF plug-in, and
// that data cut short or missing is refused rather than shown as black.
#include "JpegEncode.h"
#include "LoadingTestUtil.h"
#include "PlugInDecode.h"
#include "loading/PictureLoader.h"
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

// ---- DNGs, little-endian: the raw's directory first, the preview's chained after it ----

struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count;
    Bytes value; // little-endian, as stored
};

Entry Short(std::uint16_t tag, std::initializer_list<std::uint16_t> values) {
    Entry e{tag, 3, std::uint32_t(values.size()), {}};
    for (std::uint16_t v : values)
        test::Put16(e.value, v);
    return e;
}
Entry Long(std::uint16_t tag, std::uint32_t value) {
    Entry e{tag, 4, 1, {}};
    test::Put32(e.value, value);
    return e;
}
Entry Byte(std::uint16_t tag, std::initializer_list<std::uint8_t> values) {
    return {tag, 1, std::uint32_t(values.size()), Bytes(values)};
}
Entry Ascii(std::uint16_t tag, const std::string& text) {
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    return {tag, 2, std::uint32_t(value.size()), value};
}
// Rationals of a denominator of 10,000 (SRATIONAL when signed).
Entry Rationals(std::uint16_t tag, bool sign, std::initializer_list<double> values) {
    Entry e{tag, std::uint16_t(sign ? 10 : 5), std::uint32_t(values.size()), {}};
    for (double v : values) {
        test::Put32(e.value, std::uint32_t(std::int32_t(v * 10000)));
        test::Put32(e.value, 10000);
    }
    return e;
}

struct Directory {
    std::vector<Entry> entries; // with a StripOffsets entry, filled in when written
    Bytes strip;
};

void PadToEven(Bytes& b) {
    if (b.size() % 2)
        b.push_back(0);
}

Bytes WriteTiff(std::vector<Directory> dirs) {
    Bytes out{'I', 'I', 42, 0, 8, 0, 0, 0};
    for (std::size_t d = 0; d < dirs.size(); ++d) {
        auto& entries = dirs[d].entries;
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        const std::size_t start = out.size();
        std::size_t extra = start + 2 + 12 * entries.size() + 4;
        Bytes values;
        for (const Entry& e : entries)
            if (e.value.size() > 4)
                PadToEven(values), values.insert(values.end(), e.value.begin(), e.value.end());
        PadToEven(values);
        const std::size_t strip = extra + values.size();
        test::Put16(out, std::uint32_t(entries.size()));
        for (const Entry& e : entries) {
            test::Put16(out, e.tag);
            test::Put16(out, e.type);
            test::Put32(out, e.count);
            if (e.tag == 273) {
                test::Put32(out, std::uint32_t(strip));
            } else if (e.value.size() > 4) {
                extra += extra % 2;
                test::Put32(out, std::uint32_t(extra));
                extra += e.value.size();
            } else {
                for (std::size_t i = 0; i < 4; ++i)
                    out.push_back(i < e.value.size() ? e.value[i] : 0);
            }
        }
        const std::size_t next = strip + dirs[d].strip.size();
        test::Put32(out, d + 1 < dirs.size() ? std::uint32_t(next + next % 2) : 0);
        out.insert(out.end(), values.begin(), values.end());
        out.insert(out.end(), dirs[d].strip.begin(), dirs[d].strip.end());
        PadToEven(out);
    }
    return out;
}

struct Rgb {
    int r, g, b;
};

// Stored pictures with their top-left quarter (the "corner") in another colour, so that
// the upright picture shows where the stored first row and column went.
struct Scene {
    Rgb colour, corner;
};

constexpr int kRawWidth = 256, kRawHeight = 170;

// A 16-bit RGGB mosaic of the scene at the sample values given in eighths of 16 bits.
Bytes Mosaic(const Scene& scene) {
    Bytes b;
    for (int y = 0; y < kRawHeight; ++y)
        for (int x = 0; x < kRawWidth; ++x) {
            const Rgb& c = x < kRawWidth / 4 && y < kRawHeight / 4 ? scene.corner : scene.colour;
            const int site = (y % 2) * 2 + x % 2; // 0 red, 1 and 2 green, 3 blue
            const int level = site == 0 ? c.r : site == 3 ? c.b : c.g;
            test::Put16(b, std::uint32_t(level * 256));
        }
    return b;
}

Bitmap24 Painted(int width, int height, const Scene& scene) {
    Bitmap24 p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb& c = x < width / 4 && y < height / 4 ? scene.corner : scene.colour;
            std::uint8_t* px = p.row(y) + 3 * x;
            px[0] = std::uint8_t(c.b), px[1] = std::uint8_t(c.g), px[2] = std::uint8_t(c.r);
        }
    return p;
}

enum class Preview { None, Jpeg, Rgb };

struct DngSpec {
    int orientation;
    Scene raw;
    Preview preview;
    int previewWidth, previewHeight;
    Scene previewScene;
};

Directory RawDirectory(const DngSpec& s) {
    // The camera's colours are linear sRGB: XYZ (D65) to sRGB, and a neutral white balance.
    Directory d{
        {Long(254, 0),
         Long(256, kRawWidth),
         Long(257, kRawHeight),
         Short(258, {16}),
         Short(259, {1}),
         Short(262, {32803}),
         Ascii(271, "Folivex"),
         Ascii(272, "Test"),
         Long(273, 0),
         Short(274, {std::uint16_t(s.orientation)}),
         Short(277, {1}),
         Long(278, kRawHeight),
         Long(279, kRawWidth * kRawHeight * 2),
         Short(284, {1}),
         Short(33421, {2, 2}),
         Byte(33422, {0, 1, 1, 2}),
         Byte(50706, {1, 4, 0, 0}),
         Byte(50707, {1, 1, 0, 0}),
         Ascii(50708, "Folivex Test"),
         Short(50717, {65535}),
         Rationals(50721, true,
                   {3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570}),
         Rationals(50728, false, {1, 1, 1}),
         Short(50778, {21})},
        Mosaic(s.raw)};
    return d;
}

Directory PreviewDirectory(const DngSpec& s) {
    const Bitmap24 picture = Painted(s.previewWidth, s.previewHeight, s.previewScene);
    const bool jpeg = s.preview == Preview::Jpeg;
    Bytes strip;
    if (jpeg) {
        strip = test::EncodeJpeg(picture, 95);
    } else {
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                for (int c : {2, 1, 0})
                    strip.push_back(picture.row(y)[3 * x + c]);
    }
    return {{Long(254, 1), Long(256, std::uint32_t(s.previewWidth)),
             Long(257, std::uint32_t(s.previewHeight)), Short(258, {8, 8, 8}),
             Short(259, {std::uint16_t(jpeg ? 7 : 1)}), Short(262, {std::uint16_t(jpeg ? 6 : 2)}),
             Long(273, 0), Short(277, {3}), Long(278, std::uint32_t(s.previewHeight)),
             Long(279, std::uint32_t(strip.size())), Short(284, {1})},
            strip};
}

Bytes Dng(const DngSpec& s) {
    std::vector<Directory> dirs{RawDirectory(s)};
    if (s.preview != Preview::None)
        dirs.push_back(PreviewDirectory(s));
    return WriteTiff(dirs);
}

// ---- the plug-in ----

// The data in a heap block of exactly its length (a read past it is caught by the
// sanitizer build); IsSupported gets its 2048 bytes.
struct Exact {
    explicit Exact(const Bytes& bytes) : data(std::make_unique<char[]>(bytes.size() + 1)) {
        std::copy(bytes.begin(), bytes.end(), data.get());
        size = intptr_t(bytes.size());
        std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), head.size()), head.begin());
    }
    std::unique_ptr<char[]> data;
    intptr_t size;
    std::array<char, 2048> head{};
};

// A delivered picture: its size and colours, read from the bottom-up 24-bit DIB.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgr; // rows from the top
    Rgb At(int x, int y) const {
        const std::uint8_t* p = bgr.data() + (std::size_t(y) * std::size_t(width) + x) * 3;
        return {p[2], p[1], p[0]};
    }
};

class RawPlugIn : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(raw, nullptr); }

    int32_t Info(const Bytes& bytes, SusiePictureInfo& info) {
        Exact exact(bytes);
        info = {};
        return raw->GetPictureInfo(exact.data.get(), exact.size, 1, &info);
    }
    int32_t Decode(const Bytes& bytes, Picture& out, SusieProgressCallback progress = nullptr,
                   intptr_t data = 0) {
        Exact exact(bytes);
        HLOCAL info = nullptr, bits = nullptr;
        const int32_t result =
            raw->GetPicture(exact.data.get(), exact.size, 1, &info, &bits, progress, data);
        if (result != 0) {
            EXPECT_EQ(info, nullptr);
            EXPECT_EQ(bits, nullptr);
            return result;
        }
        const auto* header = static_cast<const std::uint8_t*>(LocalLock(info));
        std::int32_t w, h;
        std::memcpy(&w, header + 4, 4);
        std::memcpy(&h, header + 8, 4);
        EXPECT_EQ(header[14], 24);
        LocalUnlock(info);
        out.width = w, out.height = h;
        const std::size_t stride = (std::size_t(w) * 3 + 3) / 4 * 4;
        const auto* pixels = static_cast<const std::uint8_t*>(LocalLock(bits));
        out.bgr.clear();
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* row = pixels + std::size_t(h - 1 - y) * stride;
            out.bgr.insert(out.bgr.end(), row, row + std::size_t(w) * 3);
        }
        LocalUnlock(bits);
        LocalFree(info);
        LocalFree(bits);
        return result;
    }

    test::BundledPlugInHost host;
    TInSPI* raw = host.PlugIn("ifraw");
};

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}
bool Reddish(Rgb c) {
    return c.r > c.g + 60 && c.r > c.b + 60;
}
bool Light(Rgb c) {
    return std::min({c.r, c.g, c.b}) > 170;
}
std::string Text(Rgb c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

const Rgb kGreen{20, 180, 60}, kBlue{30, 60, 210}, kWhite{255, 255, 255};
// A red scene with a light grey corner; samples in 256ths of 16 bits.
const Scene kRedRaw{{80, 20, 20}, {200, 200, 200}};

// Where the stored picture's top-left corner lies once upright, as (right?, bottom?).
std::pair<bool, bool> CornerAfter(int orientation) {
    switch (orientation) {
    case 6:
        return {true, false};
    case 8:
        return {false, true};
    case 3:
        return {true, true};
    default:
        return {false, false};
    }
}

TEST_F(RawPlugIn, ShowsAPreviewOfHalfTheSensorElseTheHalfSizeDemosaicUprightOnce) {
    const struct {
        const char* what;
        DngSpec dng;
        bool preview; // else the demosaic
        int width, height;
    } cases[] = {
        {"JPEG preview of half the long side",
         {1, kRedRaw, Preview::Jpeg, 128, 85, {kGreen, kGreen}},
         true,
         128,
         85},
        {"JPEG preview a pixel short of half",
         {1, kRedRaw, Preview::Jpeg, 127, 84, {kGreen, kGreen}},
         false,
         128,
         85},
        {"full-size bitmap preview, turned 6",
         {6, kRedRaw, Preview::Rgb, 256, 170, {kBlue, kWhite}},
         true,
         170,
         256},
        {"JPEG preview, turned 3",
         {3, kRedRaw, Preview::Jpeg, 200, 132, {kBlue, kWhite}},
         true,
         200,
         132},
        {"small bitmap preview",
         {1, kRedRaw, Preview::Rgb, 64, 42, {kGreen, kGreen}},
         false,
         128,
         85},
        {"no preview, turned 8", {8, kRedRaw, Preview::None, 0, 0, {}}, false, 85, 128},
        {"no preview, turned 6", {6, kRedRaw, Preview::None, 0, 0, {}}, false, 85, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes dng = Dng(c.dng);
        Exact exact(dng);
        EXPECT_NE(raw->IsSupported("picture.dng", exact.head.data()), 0);
        EXPECT_NE(raw->IsSupported("renamed.tif", exact.head.data()), 0); // DNGVersion tag
        SusiePictureInfo info;
        ASSERT_EQ(Info(dng, info), 0);
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        Picture p;
        ASSERT_EQ(Decode(dng, p), 0);
        ASSERT_EQ(p.width, c.width);
        ASSERT_EQ(p.height, c.height);
        const auto [right, bottom] = CornerAfter(c.dng.orientation);
        const int cx = right ? p.width - 3 : 2, cy = bottom ? p.height - 3 : 2;
        const Rgb corner = p.At(cx, cy), middle = p.At(p.width / 2, p.height / 2);
        const Rgb opposite = p.At(p.width - 1 - cx, p.height - 1 - cy);
        if (c.preview) {
            EXPECT_TRUE(Near(corner, c.dng.previewScene.corner, 6)) << Text(corner);
            EXPECT_TRUE(Near(middle, c.dng.previewScene.colour, 6)) << Text(middle);
            EXPECT_TRUE(Near(opposite, c.dng.previewScene.colour, 6)) << Text(opposite);
        } else {
            EXPECT_TRUE(Light(corner)) << Text(corner);
            EXPECT_TRUE(Reddish(middle)) << Text(middle);
            EXPECT_TRUE(Reddish(opposite)) << Text(opposite);
        }
    }
}

// Lets the first report pass and stops at the next: inside LibRaw when it demosaics.
// The program's own loading: a DNG by its content under any name, and a TIFF-like raw by
// its name, reach this plug-in rather than the TIFF one.
TEST_F(RawPlugIn, IsTheHostsChoiceForRaws) {
    const Bytes dng = Dng({1, kRedRaw, Preview::Jpeg, 128, 85, {kGreen, kGreen}});
    Bytes plainTiffRaw = dng; // the DNGVersion tag renamed: a NEF-like TIFF raw
    const Bytes tag{0x12, 0xC6};
    const auto at = std::search(plainTiffRaw.begin(), plainTiffRaw.end(), tag.begin(), tag.end());
    ASSERT_NE(at, plainTiffRaw.end());
    at[0] = 0x00, at[1] = 0xC7; // 50944, unknown to LibRaw, kept in tag order
    test::TempDir dir;
    const struct {
        const char* name;
        const Bytes& bytes;
    } cases[] = {{"a.dng", dng}, {"a.tif", dng}, {"a.nef", plainTiffRaw}};
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        test::WriteFile(dir / name, bytes);
        TSPIBitmap bitmap;
        Bitmap24 picture;
        ASSERT_NO_THROW(picture = LoadPicture24(dir / name, bitmap));
        EXPECT_EQ(picture.width, 128);
        EXPECT_EQ(picture.height, 85);
    }
}

int32_t StopAtTheSecondReport(int32_t, int32_t, intptr_t calls) {
    return ++*reinterpret_cast<int*>(calls) >= 2;
}

TEST_F(RawPlugIn, StopsWhenTheHostAsksOnEitherPath) {
    for (Preview preview : {Preview::Jpeg, Preview::None}) {
        Picture p;
        int calls = 0;
        EXPECT_EQ(Decode(Dng({1, kRedRaw, preview, 256, 170, {kGreen, kGreen}}), p,
                         StopAtTheSecondReport, reinterpret_cast<intptr_t>(&calls)),
                  1);
        EXPECT_EQ(calls, 2);
    }
}

// ---- what the plug-in claims ----

TEST_F(RawPlugIn, ClaimsRawsByTheirMarksOrTheirNameButLeavesOrdinaryTiffs) {
    const Bytes tiff{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
    const Bytes bigTiff{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
    auto with = [](Bytes b, std::size_t at, const std::string& mark) {
        b.resize(std::max(b.size(), at + mark.size()), 0);
        std::copy(mark.begin(), mark.end(), b.begin() + std::ptrdiff_t(at));
        return b;
    };
    const struct {
        const char* name;
        Bytes head;
        bool claimed;
    } cases[] = {
        {"a.tif", tiff, false},
        {"a.tiff", bigTiff, false},
        {"a.NEF", tiff, true},
        {"dir.nef/a.tif", tiff, false},
        {"a.arw", bigTiff, true},
        {"a.pef", tiff, true},
        {"a.nef", Bytes{'G', 'I', 'F', '8', '9', 'a'}, false}, // named raw, is not one
        {"a.tif", with(tiff, 8, "CR\2"), true},                // CR2
        {"a.jpg", with({'I', 'I', 26, 0, 0, 0}, 6, "HEAPCCDR"), true},
        {"a", with({0, 0, 0, 24}, 4, "ftypcrx "), true},
        {"a", with({}, 0, "FUJIFILMCCD-RAW 0201"), true},
        {"a", with({}, 0, std::string("\0MRM", 4)), true},
        {"a", with({}, 0, "FOVb"), true},
        {"a", with({}, 0, "IIRO"), true},
        {"a", with({}, 0, std::string("IIU\0", 4)), true},
        {"a", with({0, 0, 0, 24}, 4, "ftypheic"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Exact exact(c.head);
        EXPECT_EQ(raw->IsSupported(c.name, exact.head.data()) != 0, c.claimed);
    }
    // One pattern an entry: the host takes each entry's extension for the name check.
    EXPECT_EQ(raw->Filters().size(), 19u);
    for (const std::string& pattern : raw->Filters())
        EXPECT_TRUE(pattern.size() == 5 && pattern.rfind("*.", 0) == 0) << pattern;
    // GetPicture is given no name: an ordinary TIFF is no raw to LibRaw either.
    std::ifstream in(FOLIVEX_SOURCE_DIR "/tests/loading/data/plugins/rgb.tif", std::ios::binary);
    const Bytes rgb((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(rgb.empty());
    Picture p;
    EXPECT_NE(Decode(rgb, p), 0);
}

// ---- camera samples, and data cut short ----

Bytes ReadRaw(const std::string& name) {
    std::ifstream in(FOLIVEX_SOURCE_DIR "/tests/loading/data/raw/" + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The samples keep their metadata but not their raw data (the sources pruned it to keep
// them small): each is known, sized from its header, and refused when decoded rather than
// shown as black or as whatever memory held.
TEST_F(RawPlugIn, SizesCameraSamplesAndRefusesTheirMissingRawData) {
    const struct {
        const char* file;
        int width, height; // the half-size demosaic: their previews are small or absent
    } cases[] = {
        {"canon-powershot-s40.crw", 1156, 860},
        {"canon-eos-300d.crw", 1544, 1028},
        {"nikon-d70.nef", 1519, 1007},
        {"minolta-dimage-a2.mrw", 1636, 1228},
        {"phaseone-leaf-credo-40.iiq", 3660, 2742},
        {"canon-eos-350d.dng", 1737, 1157}, // LibRaw itself decodes it as black, no error
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes data = ReadRaw(c.file);
        ASSERT_FALSE(data.empty());
        Exact exact(data);
        EXPECT_NE(raw->IsSupported(c.file, exact.head.data()), 0);
        SusiePictureInfo info;
        ASSERT_EQ(Info(data, info), 0);
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        Picture p;
        EXPECT_EQ(Decode(data, p), 3);
    }
}

TEST_F(RawPlugIn, RefusesRawDataCutShortButNotAPictureStillWhole) {
    const Bytes noPreview = Dng({1, kRedRaw, Preview::None, 0, 0, {}});
    const Bytes withPreview = Dng({1, kRedRaw, Preview::Jpeg, 256, 170, {kGreen, kGreen}});
    const std::size_t previewStart = noPreview.size(); // the raw's strip ends both files
    const struct {
        const char* what;
        const Bytes& whole;
        std::size_t keep;
        int width; // 0: refused
    } cases[] = {
        {"nothing", noPreview, 0, 0},
        {"the header", noPreview, 8, 0},
        {"the directory", noPreview, 200, 0},
        {"half the raw", noPreview, noPreview.size() / 2, 0},
        {"the raw's last row but 2", noPreview, noPreview.size() - 3 * kRawWidth * 2, 0},
        {"the preview's end: the raw is still whole", withPreview, withPreview.size() - 40, 128},
        {"the preview's start", withPreview, previewStart + 300, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes cut(c.whole.begin(), c.whole.begin() + std::ptrdiff_t(c.keep));
        Picture p;
        const int32_t result = Decode(cut, p);
        if (c.width == 0) {
            EXPECT_NE(result, 0);
        } else {
            ASSERT_EQ(result, 0);
            EXPECT_EQ(p.width, c.width); // the demosaic, not a preview padded with grey
            EXPECT_TRUE(Reddish(p.At(p.width / 2, p.height / 2)));
        }
    }
}

} // namespace
} // namespace folivex
