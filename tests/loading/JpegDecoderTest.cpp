// The JPEG decoder and the loader's choice of decoder by extension.
#include "loading/JpegDecoder.h"
#include "JpegEncode.h"
#include "LoadingTestUtil.h"
#include "loading/PictureFile.h"
#include "loading/PictureLoader.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace folivex {
namespace {

using test::Bytes;

int MaxDifference(const Bitmap24& a, const Bitmap24& b) {
    int worst = 0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return worst;
}

std::string ErrorOf(const Bytes& data) {
    try {
        DecodeJpeg(data);
    } catch (const Error& e) {
        return e.what();
    }
    return "decoded";
}

TEST(DecodeJpeg, ColourAndGreyPictures) {
    const Bitmap24 original = test::Gradient(40, 24);
    Bitmap24 colour = DecodeJpeg(test::EncodeJpeg(original, 95));
    ASSERT_EQ(colour.width, 40);
    ASSERT_EQ(colour.height, 24);
    EXPECT_LE(MaxDifference(colour, original), 12);

    Bitmap24 grey = DecodeJpeg(test::EncodeJpeg(original, 95, true));
    ASSERT_EQ(grey.pixels.size(), original.pixels.size());
    for (std::size_t i = 0; i < grey.pixels.size(); i += 3) {
        EXPECT_EQ(grey.pixels[i], grey.pixels[i + 1]);
        EXPECT_EQ(grey.pixels[i], grey.pixels[i + 2]);
    }
}

TEST(DecodeJpeg, DamagedDataGivesTheLibrarysErrorNumber) {
    const Bytes good = test::EncodeJpeg(test::Gradient(64, 64));
    Bytes corruptHeader = good;
    corruptHeader[3] ^= 0xFF; // the first marker after SOI
    struct Case {
        const char* name;
        Bytes data;
    } cases[] = {
        {"empty", {}},
        {"not a jpeg", Bytes(500, 'x')},
        {"only the start marker", {0xFF, 0xD8}},
        {"cut in the header", Bytes(good.begin(), good.begin() + 100)},
        {"cut in the picture", Bytes(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2))},
        {"damaged marker", corruptHeader},
    };
    for (const auto& c : cases) {
        std::string error = ErrorOf(c.data);
        EXPECT_TRUE(error.starts_with("JPEG ｴﾗｰ #") && error.size() > 14)
            << c.name << ": " << error;
    }
}

TEST(DecodeJpegFile, MissingFile) {
    try {
        DecodeJpegFile("/nonexistent/a.jpg");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "ﾌｧｲﾙ /nonexistent/a.jpg は開けません");
    }
}

TEST(LoadPicture24, ChoosesTheDecoderByContentThenExtension) {
    test::TempDir dir;
    const Bytes jpeg = test::EncodeJpeg(test::Gradient(8, 8));
    const Bytes bmp = test::MakeBmp({.pixels = {1, 2, 3, 0}});
    test::WriteFile(dir / "a.JPEG", jpeg);
    test::WriteFile(dir / "b.Jpg", jpeg);
    test::WriteFile(dir / "c.bmp", bmp);
    test::WriteFile(dir / "d.bmp", jpeg); // the content decides, not the name
    test::WriteFile(dir / "e.dib", bmp);
    test::WriteFile(dir / "f.jpg", bmp);
    test::WriteFile(dir / "g.jpg", Bytes(100, 7)); // no reader knows it: the JPEG error
    TSPIBitmap shared;
    EXPECT_EQ(LoadPicture24(dir / "a.JPEG", shared).width, 8);
    EXPECT_EQ(LoadPicture24(dir / "b.Jpg", shared).width, 8);
    EXPECT_EQ(LoadPicture24(dir / "c.bmp", shared).pixels, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(LoadPicture24(dir / "d.bmp", shared).width, 8);
    EXPECT_EQ(LoadPicture24(dir / "e.dib", shared).pixels, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(LoadPicture24(dir / "f.jpg", shared).pixels, (std::vector<std::uint8_t>{1, 2, 3}));
    try {
        LoadPicture24(dir / "g.jpg", shared);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("JPEG ｴﾗｰ #", 0), 0u) << e.what();
    }
}

// A camera file: a red picture whose EXIF thumbnail is blue, so each decode says which
// of the two it came from.
struct CameraFile {
    int width, height, thumbWidth, thumbHeight;
    int orientation = 1;
    bool damagedThumbnail = false;

    Bytes Bytes_() const {
        Bytes thumb = test::EncodeJpeg(Filled(thumbWidth, thumbHeight, 230, 0, 0), 80);
        if (damagedThumbnail)
            thumb.resize(thumb.size() / 2);
        return test::WithExifThumbnail(test::EncodeJpeg(Filled(width, height, 0, 0, 230)), thumb,
                                       orientation);
    }
    static Bitmap24 Filled(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
        return test::Solid(w, h, b, g, r);
    }
};

bool IsBlue(const Bitmap24& p) {
    const std::uint8_t* centre = p.row(p.height / 2) + (p.width / 2) * 3;
    return centre[0] > 180 && centre[2] < 60;
}

TEST(DecodeJpegReduced, ACameraThumbnailStandsInOnlyWhenItFitsThePicture) {
    struct Case {
        const char* name;
        CameraFile file;
        int minLongSide;
        bool fromThumbnail;
        int width, height;
    };
    const Case cases[] = {
        {"3:2 thumbnail of a 3:2 photo", {1920, 1280, 160, 107}, 128, true, 160, 107},
        {"reduced further when large", {1920, 1280, 480, 320}, 128, true, 240, 160},
        {"turned upright like the picture", {1920, 1280, 160, 107, 6}, 128, true, 107, 160},
        {"letterboxed 4:3 thumbnail", {1920, 1280, 160, 120}, 128, false, 240, 160},
        {"too small for the box", {1920, 1280, 160, 107}, 200, false, 240, 160},
        {"not smaller than the picture", {160, 107, 160, 107}, 100, false, 160, 107},
        {"damaged thumbnail", {1920, 1280, 160, 107, 1, true}, 128, false, 240, 160},
        {"a full-size decode never uses it", {400, 267, 160, 107}, 0, false, 400, 267},
    };
    for (const Case& c : cases) {
        const Bitmap24 got = DecodeJpegReduced(c.file.Bytes_(), c.minLongSide);
        EXPECT_EQ(IsBlue(got), c.fromThumbnail) << c.name;
        EXPECT_EQ(got.width, c.width) << c.name;
        EXPECT_EQ(got.height, c.height) << c.name;
    }
    // The page drawing never takes the thumbnail, however small its slot.
    EXPECT_FALSE(IsBlue(DecodeJpegScaled(CameraFile{1920, 1280, 160, 107}.Bytes_(), 8)));
}

// A red photo with noise in every pixel, so that it compresses poorly.
Bytes NoisyRedPhoto(int width, int height) {
    Bitmap24 p(width, height);
    unsigned seed = 12345;
    for (std::size_t i = 0; i < p.pixels.size(); i += 3) {
        seed = seed * 1103515245u + 12345u;
        p.pixels[i] = std::uint8_t((seed >> 16) % 40);
        p.pixels[i + 1] = std::uint8_t((seed >> 8) % 40);
        p.pixels[i + 2] = std::uint8_t(200 + (seed >> 24) % 40);
    }
    return test::EncodeJpeg(p, 95);
}

TEST(LoadJpegThumbnail, AStandInIsReadFromTheStartOfTheFileAlone) {
    test::TempDir dir;
    const Bytes photo = NoisyRedPhoto(1200, 800);
    ASSERT_GT(photo.size(), 400'000u);
    const Bytes cut(photo.begin(), photo.begin() + std::ptrdiff_t(photo.size() / 2));
    const Bytes fits = test::EncodeJpeg(CameraFile::Filled(160, 107, 230, 0, 0), 80);
    const Bytes boxed = test::EncodeJpeg(CameraFile::Filled(160, 120, 230, 0, 0), 80);
    test::WriteFile(dir / "fits.jpg", test::WithExifThumbnail(cut, fits));
    test::WriteFile(dir / "boxed.jpg", test::WithExifThumbnail(cut, boxed));
    test::WriteFile(dir / "whole.jpg", test::WithExifThumbnail(photo, boxed));
    // Tables ahead of the frame header push it past the start that is searched first.
    Bytes late = photo;
    for (int i = 0; i < 3; ++i) {
        Bytes app2{0xFF, 0xE2, 0xFF, 0xFF};
        app2.resize(2 + 0xFFFF, 0);
        late.insert(late.begin() + 2, app2.begin(), app2.end());
    }
    test::WriteFile(dir / "late.jpg", test::WithExifThumbnail(late, fits));

    // The damaged rest of the photo is never read when its thumbnail stands in ...
    EXPECT_TRUE(IsBlue(LoadJpegThumbnail(dir / "fits.jpg", 128)));
    // ... and is, with its error, when it cannot.
    EXPECT_THROW(LoadJpegThumbnail(dir / "boxed.jpg", 128), Error);
    EXPECT_THROW(LoadJpegThumbnail(dir / "fits.jpg", 400), Error);
    const Bitmap24 whole = LoadJpegThumbnail(dir / "whole.jpg", 128);
    EXPECT_EQ(whole.width, 150);
    EXPECT_FALSE(IsBlue(whole));
    const Bitmap24 found = LoadJpegThumbnail(dir / "late.jpg", 128);
    EXPECT_TRUE(IsBlue(found));
    EXPECT_EQ(found.width, 160);
    EXPECT_THROW(LoadJpegThumbnail(dir / "missing.jpg", 128), Error);
}

} // namespace
} // namespace folivex
