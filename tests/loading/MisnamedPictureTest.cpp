// Pictures are known by their content before their name: a file whose extension lies
// opens by what it holds, through the loader, the picture pipeline and the thumbnails
// alike, while a damaged file still gets the error of the reader its name points at.
#include "JpegEncode.h"
#include "LoadingTestUtil.h"
#include "PlugInDecode.h"
#include "loading/PagePictures.h"
#include "loading/PictureLoader.h"
#include "loading/PictureRegistry.h"
#include "loading/ReadableFormats.h"
#include "loading/SPIs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace folivex {
namespace {

using test::Bytes;

Bytes ReadSample(const std::string& name) {
    std::ifstream in(FOLIVEX_SOURCE_DIR "/tests/loading/data/plugins/" + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes SolidJpeg() {
    return test::EncodeJpeg(test::Solid(16, 8, 40, 30, 200), 95); // red
}

Bytes BlueBmp() {
    test::BmpSpec spec;
    spec.width = 2;
    spec.height = 2;
    spec.pixels = {210, 60, 30, 210, 60, 30, 0, 0, 210, 60, 30, 210, 60, 30, 0, 0};
    return test::MakeBmp(spec);
}

Bytes Truncated(Bytes bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

struct Rgb {
    int r, g, b;
};

bool Near(const Bitmap24& picture, Rgb c, int tolerance) {
    const std::uint8_t* p = picture.row(picture.height / 2) + 3 * (picture.width / 2);
    return std::abs(p[2] - c.r) <= tolerance && std::abs(p[1] - c.g) <= tolerance &&
           std::abs(p[0] - c.b) <= tolerance;
}

class MisnamedPictures : public ::testing::Test {
protected:
    std::string Write(const char* name, const Bytes& bytes) {
        test::WriteFile(dir / name, bytes);
        return dir / name;
    }

    test::BundledPlugInHost host;
    test::TempDir dir;
};

TEST_F(MisnamedPictures, OpenByTheirContentOnEveryRoute) {
    const struct Case {
        const char* name;
        Bytes bytes;
        int width, height;
        Rgb colour;
        int tolerance;
    } cases[] = {
        {"web-download.jpg", ReadSample("rgb8.png"), 5, 3, {200, 30, 40}, 0},
        {"photo.png", SolidJpeg(), 16, 8, {200, 30, 40}, 6},
        {"photo.jpe", SolidJpeg(), 16, 8, {200, 30, 40}, 6},
        {"photo.JFIF", SolidJpeg(), 16, 8, {200, 30, 40}, 6},
        {"sticker.jpg", ReadSample("lossy.webp"), 8, 6, {20, 180, 60}, 8},
        {"scan.png", BlueBmp(), 2, 2, {30, 60, 210}, 0},
        {"scan.jpeg", BlueBmp(), 2, 2, {30, 60, 210}, 0},
    };
    PagePictures pipeline;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.bytes);
        TSPIBitmap bitmap;
        const Bitmap24 loaded = LoadPicture24(path, bitmap);
        EXPECT_EQ(loaded.width, c.width);
        EXPECT_EQ(loaded.height, c.height);
        EXPECT_TRUE(Near(loaded, c.colour, c.tolerance));

        const Bitmap24 full = pipeline.LoadFull(path);
        EXPECT_EQ(full.width, c.width);
        EXPECT_TRUE(Near(full, c.colour, c.tolerance));
        const Bitmap24 thumbnail = pipeline.LoadThumbnail(path, 4);
        EXPECT_GE(std::max(thumbnail.width, thumbnail.height), std::min(4, c.width));
        EXPECT_TRUE(Near(thumbnail, c.colour, c.tolerance));

        SlotRequest slot;
        slot.path = path;
        slot.box = {c.width * 4, c.height * 4, false};
        const std::vector<SlotPicture> spread = pipeline.Fetch({slot});
        ASSERT_EQ(spread.size(), 1u);
        EXPECT_EQ(spread[0].fullWidth, c.width);
        EXPECT_EQ(spread[0].fullHeight, c.height);
    }
}

TEST_F(MisnamedPictures, ADamagedFileKeepsTheErrorOfItsNamedReader) {
    const struct {
        const char* name;
        Bytes bytes;
        const char* errorStart;
    } cases[] = {
        {"broken.jpg", Bytes(300, 0x41), "JPEG ｴﾗｰ #"},
        {"truncated.jpg", Truncated(SolidJpeg(), 40), "JPEG ｴﾗｰ #"},
        {"broken.png", Bytes(300, 0x41), "認識できない画像形式です"},
        {"broken.bmp", Bytes(300, 0x41), "認識できない画像形式です"},
    };
    PagePictures pipeline;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(c.name, c.bytes);
        TSPIBitmap bitmap;
        for (auto load : {std::function<void()>([&] { LoadPicture24(path, bitmap); }),
                          std::function<void()>([&] { pipeline.LoadFull(path); })}) {
            try {
                load();
                ADD_FAILURE() << "no error";
            } catch (const Error& e) {
                EXPECT_EQ(std::string(e.what()).rfind(c.errorStart, 0), 0u) << e.what();
            }
        }
    }
}

} // namespace
} // namespace folivex
