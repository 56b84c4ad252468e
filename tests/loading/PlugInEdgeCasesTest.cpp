// The bundled plug-ins on the cases their libraries get wrong or leave to the caller: TIFF
// grey and colour with associated or unassociated alpha, camera raw files that start like
// a TIFF, a GIF screen's background behind a frame with its own colour table, an HEIF
// panorama wider than the square of the pixel limit, HEIF photos against libheif's own
// decoding of them, a CMYK JPEG XL, and an animated PNG's default image.
#include "PlugInDecode.h"

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace folivex {
namespace {

using test::Bytes;
using test::Rgb8;

const std::string kSamples = FOLIVEX_SOURCE_DIR "/tests/loading/data/plugins/";

bool Near(Rgb8 a, Rgb8 b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

std::string Text(Rgb8 c) {
    return "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
}

// ---- TIFF files of one pixel, written field by field ----

enum : std::uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4 };

struct TiffTag {
    std::uint16_t tag, type;
    std::vector<std::uint32_t> values;
};

TiffTag Ascii(std::uint16_t tag, const std::string& text) {
    TiffTag t{tag, kAscii, {}};
    for (char c : text)
        t.values.push_back(std::uint8_t(c));
    t.values.push_back(0);
    return t;
}

class TiffWriter {
public:
    explicit TiffWriter(bool bigEndian) : big_(bigEndian) {}
    Bytes out;

    void Put(std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(std::uint8_t(v >> 8 * (big_ ? bytes - 1 - i : i)));
    }
    static int Size(std::uint16_t type) { return type == kShort ? 2 : type == kLong ? 4 : 1; }
    static std::size_t DataSize(const TiffTag& t) { return t.values.size() * Size(t.type); }
    static std::size_t IfdLength(const std::vector<TiffTag>& tags) {
        std::size_t n = 2 + 12 * tags.size() + 4;
        for (const TiffTag& t : tags)
            n += DataSize(t) > 4 ? (DataSize(t) + 1) / 2 * 2 : 0;
        return n;
    }
    // A directory at the end of the output, its longer values right after it.
    void Ifd(std::vector<TiffTag> tags) {
        std::sort(tags.begin(), tags.end(), [](auto& a, auto& b) { return a.tag < b.tag; });
        std::size_t overflow = out.size() + 2 + 12 * tags.size() + 4;
        Put(std::uint32_t(tags.size()), 2);
        for (const TiffTag& t : tags) {
            Put(t.tag, 2);
            Put(t.type, 2);
            Put(std::uint32_t(t.values.size()), 4);
            if (DataSize(t) > 4) {
                Put(std::uint32_t(overflow), 4);
                overflow += (DataSize(t) + 1) / 2 * 2;
                continue;
            }
            for (std::uint32_t v : t.values)
                Put(v, Size(t.type));
            for (std::size_t pad = DataSize(t); pad < 4; ++pad)
                out.push_back(0);
        }
        Put(0, 4);
        for (const TiffTag& t : tags) {
            if (DataSize(t) <= 4)
                continue;
            for (std::uint32_t v : t.values)
                Put(v, Size(t.type));
            if (DataSize(t) % 2)
                out.push_back(0);
        }
    }

private:
    bool big_;
};

struct TiffSpec {
    std::uint16_t photometric = 2, bits = 8;
    std::vector<std::uint32_t> pixel{30, 60, 210}; // the samples of the one pixel
    int extraSamples = -1;                         // the ExtraSamples value, or none
    std::vector<TiffTag> more{};                   // further tags of the first directory
    std::vector<TiffTag> subIfd{};                 // one directory that SubIFDs lists
    bool bigEndian = false;
    Bytes afterHeader{}; // bytes between the header and the first directory
};

Bytes MakeTiff(const TiffSpec& s) {
    TiffWriter w(s.bigEndian);
    const auto samples = std::uint32_t(s.pixel.size());
    std::vector<TiffTag> tags = {
        {256, kLong, {1}},
        {257, kLong, {1}},
        {258, kShort, std::vector<std::uint32_t>(samples, s.bits)},
        {259, kShort, {1}},
        {262, kShort, {s.photometric}},
        {273, kLong, {0}},
        {277, kShort, {samples}},
        {278, kLong, {1}},
        {279, kLong, {samples * s.bits / 8}},
        {284, kShort, {1}},
    };
    if (s.extraSamples >= 0)
        tags.push_back({338, kShort, {std::uint32_t(s.extraSamples)}});
    tags.insert(tags.end(), s.more.begin(), s.more.end());
    if (!s.subIfd.empty())
        tags.push_back({330, kLong, {0}});
    const std::size_t first = 8 + s.afterHeader.size();
    const std::size_t sub = first + TiffWriter::IfdLength(tags);
    const std::size_t strip = sub + (s.subIfd.empty() ? 0 : TiffWriter::IfdLength(s.subIfd));
    for (TiffTag& t : tags) {
        if (t.tag == 273)
            t.values = {std::uint32_t(strip)};
        if (t.tag == 330)
            t.values = {std::uint32_t(sub)};
    }
    w.out = s.bigEndian ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
    w.Put(std::uint32_t(first), 4);
    w.out.insert(w.out.end(), s.afterHeader.begin(), s.afterHeader.end());
    w.Ifd(tags);
    if (!s.subIfd.empty())
        w.Ifd(s.subIfd);
    for (std::uint32_t v : s.pixel)
        w.Put(v, s.bits / 8);
    return w.out;
}

enum : int { kUnspecified = 0, kAssociated = 1, kUnassociated = 2 };

// One pixel with alpha, laid onto white: grey 128 (or its premultiplied 64) at alpha 128
// shows 191; red (200, 30, 40) at alpha 128 shows (227, 142, 147).
TEST(TiffAlpha, IsLaidOntoWhiteAsTheExtraSamplesTagSays) {
    const struct {
        const char* what;
        TiffSpec spec;
        Rgb8 expected;
    } cases[] = {
        {"8-bit grey, unassociated", {1, 8, {128, 128}, kUnassociated}, {191, 191, 191}},
        {"8-bit grey, associated", {1, 8, {64, 128}, kAssociated}, {191, 191, 191}},
        {"16-bit grey, unassociated", {1, 16, {0x8080, 0x8080}, kUnassociated}, {191, 191, 191}},
        {"16-bit grey, associated", {1, 16, {0x4040, 0x8080}, kAssociated}, {191, 191, 191}},
        {"16-bit grey, clear", {1, 16, {0x0000, 0x0000}, kUnassociated}, {255, 255, 255}},
        {"8-bit grey, white is zero", {0, 8, {127, 128}, kUnassociated}, {191, 191, 191}},
        {"8-bit grey, extra sample unspecified", {1, 8, {128, 0}, kUnspecified}, {128, 128, 128}},
        {"16-bit grey, extra sample unspecified",
         {1, 16, {0x8080, 0}, kUnspecified},
         {128, 128, 128}},
        {"8-bit RGBA, unassociated", {2, 8, {200, 30, 40, 128}, kUnassociated}, {227, 142, 147}},
        {"8-bit RGBA, associated", {2, 8, {100, 15, 20, 128}, kAssociated}, {227, 142, 147}},
        {"16-bit RGBA, unassociated",
         {2, 16, {0xC8C8, 0x1E1E, 0x2828, 0x8080}, kUnassociated},
         {227, 142, 147}},
        {"16-bit RGBA, associated",
         {2, 16, {0x6464, 0x0F0F, 0x1414, 0x8080}, kAssociated},
         {227, 142, 147}},
        // libtiff's rule for writers that leave RGBA's fourth sample unspecified
        {"8-bit RGBA, unspecified", {2, 8, {100, 15, 20, 128}, kUnspecified}, {227, 142, 147}},
    };
    const auto tiff = test::BundledPlugIn("iftiff");
    for (const auto& c : cases) {
        for (bool big : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (big ? ", big-endian" : ""));
            TiffSpec spec = c.spec;
            spec.bigEndian = big;
            const test::Decoded d = test::DecodeWith(*tiff, MakeTiff(spec));
            ASSERT_EQ(d.result, 0);
            ASSERT_EQ(d.width, 1);
            EXPECT_TRUE(Near(d.At(0, 0), c.expected, 1)) << Text(d.At(0, 0));
        }
    }
}

// ---- camera raw files, left to the raw plug-in ----

TiffSpec WithMake(const std::string& make, std::vector<TiffTag> subIfd = {}) {
    TiffSpec s;
    s.more = {Ascii(271, make)};
    s.subIfd = std::move(subIfd);
    return s;
}

const std::vector<TiffTag> kCfaDirectory = {
    {254, kLong, {0}}, {256, kLong, {6000}}, {257, kLong, {4000}}, {262, kShort, {32803}}};

TEST(TiffCameraRaws, AreLeftToTheRawPlugIn) {
    TiffSpec dng;
    dng.more = {{50706, kByte, {1, 4, 0, 0}}};
    TiffSpec cr2;
    cr2.afterHeader = {'C', 'R', 2, 0, 0, 0, 0, 0};
    TiffSpec pef = WithMake("PENTAX Corporation");
    pef.photometric = 32803;
    TiffSpec bigNef = WithMake("NIKON CORPORATION", kCfaDirectory);
    bigNef.bigEndian = true;
    const Bytes orf = {'I', 'I', 'R', 'O', 8, 0, 0, 0, 0, 0, 0, 0};
    const Bytes rw2 = {'I', 'I', 'U', 0, 8, 0, 0, 0, 0, 0, 0, 0};
    const struct {
        const char* what;
        const char* name;
        Bytes file;
        bool raw;
    } cases[] = {
        {"an ordinary TIFF", "scan.tif", MakeTiff({}), false},
        {"a scanner's TIFF with a camera maker's name", "scan.TIFF", MakeTiff(WithMake("Canon")),
         false},
        {"sensor data without a camera maker", "lab.tif",
         MakeTiff(WithMake("Acme Imaging", kCfaDirectory)), false},
        {"a raw file's name", "IMG_0001.CR2", MakeTiff({}), true},
        {"a raw file's name in mixed case", "/photos/a.b/DSC_0001.Nef", MakeTiff({}), true},
        {"a DNGVersion tag", "photo.tif", MakeTiff(dng), true},
        {"the CR2 mark", "photo.tif", MakeTiff(cr2), true},
        {"a camera maker and a CFA sub-directory", "photo.tif",
         MakeTiff(WithMake("NIKON CORPORATION", kCfaDirectory)), true},
        {"the same, big-endian", "photo.tif", MakeTiff(bigNef), true},
        {"a camera maker and CFA data", "photo.tif", MakeTiff(pef), true},
        {"the ORF header", "photo.tif", orf, true},
        {"the RW2 header", "photo.tif", rw2, true},
    };
    const auto tiff = test::BundledPlugIn("iftiff");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::ExactBlock exact(c.file);
        EXPECT_EQ(tiff->IsSupported(c.name, exact.head.data()) != 0, !c.raw);
        // The picture entry points see no name: only a raw by its content is refused there.
        const bool rawByContent = c.raw && std::string(c.name) == "photo.tif";
        SusiePictureInfo info{};
        EXPECT_EQ(tiff->GetPictureInfo(exact.data.get(), intptr_t(exact.size), 1, &info),
                  rawByContent ? 2 : 0);
        const test::Decoded d = test::DecodeWith(*tiff, c.file);
        if (rawByContent) {
            EXPECT_EQ(d.result, 2);
        } else {
            ASSERT_EQ(d.result, 0);
            EXPECT_TRUE(Near(d.At(0, 0), {30, 60, 210}, 0)) << Text(d.At(0, 0));
        }
    }
}

// ---- GIF: what the screen shows beside a frame that covers its left half ----

struct GifSpec {
    std::vector<Rgb8> global; // empty: none
    int background;
    std::vector<Rgb8> local; // empty: none
    int transparent = -1;
};

void PutColours(Bytes& b, const std::vector<Rgb8>& table) {
    for (const Rgb8& c : table)
        test::Append(b, {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b)});
}

// The packed size field of a table of 2 to 256 entries (a power of two).
std::uint8_t SizeField(std::size_t entries) {
    std::uint8_t n = 0;
    while ((std::size_t(2) << n) < entries)
        ++n;
    return n;
}

// Pixels all of index 0 as LZW codes, a clear code before each so that the code size
// stays one bit above the minimum.
Bytes LzwOfZeros(int pixels, int minimumCodeSize) {
    std::vector<std::uint32_t> codes;
    const std::uint32_t clear = 1u << minimumCodeSize;
    for (int i = 0; i < pixels; ++i)
        codes.insert(codes.end(), {clear, 0});
    codes.push_back(clear + 1);
    Bytes data;
    std::uint32_t acc = 0;
    int held = 0;
    for (std::uint32_t code : codes) {
        acc |= code << held;
        for (held += minimumCodeSize + 1; held >= 8; held -= 8, acc >>= 8)
            data.push_back(std::uint8_t(acc));
    }
    if (held > 0)
        data.push_back(std::uint8_t(acc));
    return data;
}

// A 4 x 2 screen whose one frame covers its left 2 x 2 with index 0.
Bytes MakeGif(const GifSpec& s) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0};
    b.push_back(s.global.empty() ? 0 : std::uint8_t(0x80 | SizeField(s.global.size())));
    test::Append(b, {std::uint8_t(s.background), 0});
    PutColours(b, s.global);
    if (s.transparent >= 0)
        test::Append(b, {0x21, 0xF9, 4, 1, 0, 0, std::uint8_t(s.transparent), 0});
    test::Append(b, {',', 0, 0, 0, 0, 2, 0, 2, 0});
    b.push_back(s.local.empty() ? 0 : std::uint8_t(0x80 | SizeField(s.local.size())));
    PutColours(b, s.local);
    const std::size_t entries = s.local.empty() ? s.global.size() : s.local.size();
    const int minimum = std::max(2, SizeField(entries) + 1);
    b.push_back(std::uint8_t(minimum));
    const Bytes lzw = LzwOfZeros(4, minimum);
    b.push_back(std::uint8_t(lzw.size()));
    b.insert(b.end(), lzw.begin(), lzw.end());
    test::Append(b, {0, ';'});
    return b;
}

std::vector<Rgb8> Table(std::size_t entries, std::vector<std::pair<int, Rgb8>> set) {
    std::vector<Rgb8> t(entries, Rgb8{0, 0, 0});
    for (auto [index, colour] : set)
        t[std::size_t(index)] = colour;
    return t;
}

TEST(GifBackground, ComesFromTheGlobalTableWhateverTableTheFrameBrings) {
    const Rgb8 red{200, 30, 40}, green{20, 180, 60}, blue{0, 0, 255}, nearBlue{0, 0, 250};
    const Rgb8 white{255, 255, 255}, nearWhite{250, 250, 250};
    const struct {
        const char* what;
        GifSpec spec;
        Rgb8 beside; // the uncovered right half
    } cases[] = {
        // A full local table has no entry to spare: the entry nearest the background,
        // which index 1 of the global table names (index 1 of the local one is green).
        {"full local table",
         {Table(2, {{1, blue}}), 1, Table(256, {{0, red}, {1, green}, {2, nearBlue}})},
         nearBlue},
        {"full local table, no global table",
         {{}, 1, Table(256, {{0, red}, {1, green}, {5, nearWhite}})},
         nearWhite},
        {"full global table", {Table(256, {{0, red}, {3, green}}), 3, {}}, green},
        {"local table with entries to spare",
         {Table(2, {{1, blue}}), 1, Table(4, {{0, red}})},
         white},
        {"full local table with a transparent colour",
         {Table(2, {{1, blue}}), 1, Table(256, {{0, red}, {9, green}}), 9},
         white},
    };
    const auto gif = test::BundledPlugIn("ifgif");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const test::Decoded d = test::DecodeWith(*gif, MakeGif(c.spec));
        ASSERT_EQ(d.result, 0);
        ASSERT_EQ(d.width, 4);
        ASSERT_EQ(d.height, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) {
                const Rgb8 expected = x < 2 ? red : c.beside;
                EXPECT_TRUE(Near(d.At(x, y), expected, 0)) << x << "," << y << Text(d.At(x, y));
            }
    }
}

// ---- HEIF and PNG samples ----

// 24000 x 4000 is within the pixel limit but wider than 16384, the side of a square of
// it: it opens as the same picture would as PNG or TIFF.
TEST(HeifPanorama, OpensAtItsSize) {
    const auto heif = test::BundledPlugIn("ifheif");
    const Bytes file = test::ReadBytes(kSamples + "panorama.avif");
    test::ExactBlock exact(file);
    ASSERT_NE(heif->IsSupported("panorama.avif", exact.head.data()), 0);
    SusiePictureInfo info{};
    ASSERT_EQ(heif->GetPictureInfo(exact.data.get(), intptr_t(exact.size), 1, &info), 0);
    EXPECT_EQ(info.width, 24000);
    EXPECT_EQ(info.height, 4000);
    const test::Decoded d = test::DecodeWith(*heif, file);
    ASSERT_EQ(d.result, 0);
    ASSERT_EQ(d.width, 24000);
    ASSERT_EQ(d.height, 4000);
    for (auto [x, y] : {std::pair{0, 0}, {23999, 0}, {12000, 2000}, {0, 3999}, {23999, 3999}})
        EXPECT_TRUE(Near(d.At(x, y), {20, 180, 60}, 10)) << x << "," << y << Text(d.At(x, y));
}

// libheif's own decoding of a file to interleaved RGB, its transformations applied: rows
// from the top, as the plug-in's bitmap is read.
test::Decoded LibheifRgb(const Bytes& file) {
    heif_init(nullptr);
    const std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                         heif_context_free);
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    test::Decoded d;
    if (heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr)
                .code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context.get(), &handle).code == heif_error_Ok &&
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr)
                .code == heif_error_Ok) {
        int stride = 0;
        const std::uint8_t* pixels =
            heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        d.width = heif_image_get_width(image, heif_channel_interleaved);
        d.height = heif_image_get_height(image, heif_channel_interleaved);
        for (int y = 0; y < d.height; ++y)
            d.rgb.insert(d.rgb.end(), pixels + std::ptrdiff_t(y) * stride,
                         pixels + std::ptrdiff_t(y) * stride + 3 * d.width);
        d.result = 0;
    }
    heif_image_release(image);
    heif_image_handle_release(handle);
    return d;
}

// Photo-like pictures (shading and grain) of each layout the plug-in reads without
// libheif's interleaved copy: every pixel as libheif itself gives it, the file's
// transformations applied.
TEST(HeifPhotos, DecodeAsLibheifDoes) {
    const struct {
        const char* file;
        int width, height;
    } cases[] = {
        {"photo420.heic", 40, 30},     {"photo444.heic", 40, 30},
        {"photo_odd.heic", 37, 23}, // a grid of one larger tile, cut to an odd size
        {"photo420.avif", 40, 30},     {"photo444.avif", 40, 30},
        {"photo_grey.avif", 40, 30},   // coded as one grey plane
        {"photo_turned.avif", 23, 37}, // 37 x 23 turned a quarter and mirrored
    };
    const auto heif = test::BundledPlugIn("ifheif");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes file = test::ReadBytes(kSamples + c.file);
        const test::Decoded expected = LibheifRgb(file);
        ASSERT_EQ(expected.result, 0);
        ASSERT_EQ(expected.width, c.width);
        ASSERT_EQ(expected.height, c.height);
        const test::Decoded d = test::DecodeWith(*heif, file);
        ASSERT_EQ(d.result, 0);
        ASSERT_EQ(d.bits, 24);
        ASSERT_EQ(d.width, c.width);
        ASSERT_EQ(d.height, c.height);
        int wrong = 0;
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x)
                if (!Near(d.At(x, y), expected.At(x, y), 1) && wrong++ < 5)
                    ADD_FAILURE() << x << "," << y << " " << Text(d.At(x, y)) << ", libheif "
                                  << Text(expected.At(x, y));
        EXPECT_EQ(wrong, 0);
    }
}

void PutBig(Bytes& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> 8 * (bytes - 1 - i));
}

std::size_t Find(const Bytes& b, const std::string& type, int nth) {
    auto at = b.begin();
    for (int i = 0; i <= nth; ++i)
        at = std::search(i ? at + 1 : at, b.end(), type.begin(), type.end());
    return std::size_t(at - b.begin());
}

// The grid regression file (one 64 x 48 green tile; the grid's data, in its idat box,
// claims 26725 x 30328) with the grid's declared size (its ispe, the second in the file)
// and canvas rewritten.
TEST(HeifGrid, ItsCanvasIsCheckedBeforeLibheifMakesIt) {
    const Bytes regression = test::ReadBytes(
        FOLIVEX_SOURCE_DIR "/fuzz/corpus/spi_ifheif/oom-libheif-grid-output-beyond-its-tiles.heic");
    ASSERT_FALSE(regression.empty());
    const struct {
        const char* what;
        std::uint32_t declaredWidth, declaredHeight, canvasWidth, canvasHeight;
        bool opens;
    } cases[] = {
        {"a canvas of its declared size", 64, 48, 64, 48, true},
        {"the canvas of the regression file", 64, 48, 26725, 30328, false},
        {"a canvas taller than its declared panorama", 24000, 4000, 24000, 24000, false},
    };
    const auto heif = test::BundledPlugIn("ifheif");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = regression;
        const std::size_t ispe = Find(file, "ispe", 1) + 8, grid = Find(file, "idat", 0) + 8;
        ASSERT_LT(grid, file.size());
        PutBig(file, ispe, c.declaredWidth, 4);
        PutBig(file, ispe + 4, c.declaredHeight, 4);
        PutBig(file, grid, c.canvasWidth, 2);
        PutBig(file, grid + 2, c.canvasHeight, 2);
        test::ExactBlock exact(file);
        SusiePictureInfo info{};
        EXPECT_EQ(heif->GetPictureInfo(exact.data.get(), intptr_t(exact.size), 1, &info) == 0,
                  c.opens);
        const test::Decoded d = test::DecodeWith(*heif, file);
        ASSERT_EQ(d.result == 0, c.opens);
        if (c.opens) {
            EXPECT_TRUE(Near(d.At(63, 47), {20, 180, 60}, 10)) << Text(d.At(63, 47));
        }
    }
}

// Ink stored inverted (0 full, 255 none) in the colour channels and the black extra
// channel: no ink, cyan, magenta with yellow; black alone, yellow at half black, a mix.
TEST(JxlCmyk, IsComposedThroughItsBlackChannel) {
    const auto jxl = test::BundledPlugIn("ifjxl");
    const test::Decoded d = test::DecodeWith(*jxl, test::ReadBytes(kSamples + "cmyk.jxl"));
    ASSERT_EQ(d.result, 0);
    ASSERT_EQ(d.width, 3);
    ASSERT_EQ(d.height, 2);
    const Rgb8 expected[6] = {{255, 255, 255}, {0, 255, 255}, {255, 0, 0},
                              {0, 0, 0},       {128, 128, 0}, {157, 78, 39}};
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(Near(d.At(i % 3, i / 3), expected[i], 0)) << i << Text(d.At(i % 3, i / 3));
}

// A red frame, the file's default image, then a blue one.
TEST(AnimatedPng, ShowsItsDefaultImage) {
    const auto png = test::BundledPlugIn("ifpng");
    const test::Decoded d = test::DecodeWith(*png, test::ReadBytes(kSamples + "animated.png"));
    ASSERT_EQ(d.result, 0);
    ASSERT_EQ(d.width, 6);
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            ASSERT_TRUE(Near(d.At(x, y), {200, 30, 40}, 0)) << x << "," << y;
}

} // namespace
} // namespace folivex
