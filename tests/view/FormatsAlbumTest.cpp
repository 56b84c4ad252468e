// The album of one picture per readable format, drawn by the real renderer with pictures
// read through the real plug-in host: every format lands in its slot at the box its true
// size gives, in its colour, and the two EXIF-rotated portraits stand upright.
#include "RenderTestSupport.h"

#include "loading/PictureLoader.h"
#include "loading/SPIs.h"
#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace folivex {
namespace {

using namespace folivex::testing;

const std::string kAlbum = FOLIVEX_SOURCE_DIR "/tests/view/data/formats/";

struct Expected {
    const char* file;
    QRgb color;
};

// The colours the fixture's maker wrote, 160 x 120 each.
const Expected kFormats[] = {
    {"1.png", qRgb(220, 40, 40)},   {"2.gif", qRgb(40, 180, 60)},   {"3.tif", qRgb(40, 70, 220)},
    {"4.webp", qRgb(230, 200, 40)}, {"5.heic", qRgb(200, 40, 200)}, {"6.avif", qRgb(40, 200, 210)},
    {"7.jxl", qRgb(240, 130, 30)},  {"8.ppm", qRgb(120, 60, 160)},  {"9.jpg", qRgb(90, 90, 90)},
    {"10.bmp", qRgb(20, 20, 120)},
};
const QRgb kPortraitRed = qRgb(200, 30, 40);
const QRgb kPortraitBlue = qRgb(30, 60, 210);

bool Near(QRgb a, QRgb b, int delta) {
    return std::abs(qRed(a) - qRed(b)) <= delta && std::abs(qGreen(a) - qGreen(b)) <= delta &&
           std::abs(qBlue(a) - qBlue(b)) <= delta;
}

// A 2-split spread of one picture, the first page of a left-opening book.
class FormatsAlbum : public ::testing::Test {
protected:
    void SetUp() override {
        UseFontSubstitutes();
        spis = std::make_unique<TSPIs>(TSPIPlaces{FOLIVEX_BIN_DIR "/", ""});
        spis->SearchOptions = {TSPISearchOption::spsAppDir};
        spis->Search("*.spi");
        state.pictureFolder = kAlbum;
        state.page.splitMode = 0;
        state.page.openMode = 0;
    }

    // Draws the spread that holds `file` alone; the page it is on and the box it was
    // fitted into.
    QImage DrawAlone(const std::string& file, PictureRect& box) {
        PictureList pictures;
        pictures.MutableAt(1) = {file, "", "1"};
        state.page.currentPage = 1;
        TSPIBitmap spi;
        BookRenderer renderer(state, pictures,
                              [&spi](const std::string& path) { return LoadPicture24(path, spi); });
        const PictureRect book = OpenBookRect(800, 600, state.bookScale);
        page = {OpenPageWidth(book.width), book.height};
        const PageBuffers pages = renderer.DrawSpread({page.width, page.height});
        const auto at = std::find(state.slotFiles.begin(), state.slotFiles.end(), file);
        EXPECT_NE(at, state.slotFiles.end());
        slot = int(at - state.slotFiles.begin());
        box = state.pictureBox;
        return slot < 2 ? pages.left : pages.right;
    }

    std::unique_ptr<TSPIs> spis;
    AlbumState state;
    BookSize page{};
    int slot = 0;
};

TEST_F(FormatsAlbum, EveryFormatFillsTheBoxOfItsTrueSizeInItsColour) {
    for (const Expected& e : kFormats) {
        SCOPED_TRACE(e.file);
        PictureRect box{};
        const QImage right = DrawAlone(e.file, box);
        const auto fitted = FitPicture(0, state.rate, slot, page, 160, 120);
        ASSERT_TRUE(fitted);
        EXPECT_EQ(box.left, fitted->left);
        EXPECT_EQ(box.top, fitted->top);
        EXPECT_EQ(box.width, fitted->width);
        EXPECT_EQ(box.height, fitted->height);
        // Lossy coders may shift a flat colour by a few steps, never more.
        for (const auto& [fx, fy] : {std::pair{0.5, 0.5}, {0.1, 0.1}, {0.9, 0.9}}) {
            const QRgb got =
                PixelAt(right, box.left + int(fx * box.width), box.top + int(fy * box.height));
            EXPECT_TRUE(Near(got, e.color, 6))
                << std::hex << "got " << got << " expected " << e.color;
        }
        // Just outside the box the page is paper, not picture.
        EXPECT_FALSE(Near(PixelAt(right, box.left + box.width / 2, box.top - 2), e.color, 6));
    }
}

TEST_F(FormatsAlbum, PortraitPhotosStandUprightByTheirExifOrientation) {
    // Stored 160 x 120 with the left half red; orientation 6 turns that half to the top,
    // orientation 8 to the bottom.
    for (const auto& [file, top, bottom] :
         {std::tuple{"portrait6.jpg", kPortraitRed, kPortraitBlue},
          std::tuple{"portrait8.jpg", kPortraitBlue, kPortraitRed}}) {
        SCOPED_TRACE(file);
        PictureRect box{};
        const QImage right = DrawAlone(file, box);
        const auto fitted = FitPicture(0, state.rate, slot, page, 120, 160);
        ASSERT_TRUE(fitted);
        EXPECT_EQ(box.width, fitted->width);
        EXPECT_EQ(box.height, fitted->height);
        EXPECT_LT(box.width, box.height);
        const int x = box.left + box.width / 2;
        EXPECT_TRUE(Near(PixelAt(right, x, box.top + box.height / 4), top, 8));
        EXPECT_TRUE(Near(PixelAt(right, x, box.top + box.height * 3 / 4), bottom, 8));
    }
}

} // namespace
} // namespace folivex
