// Pixels of drawn spreads and covers: pictures in their boxes, plain paper for blank
// slots, spine shading, page-edge lines, captions only under commented pictures, the
// cover title with its frame, and failures that leave the album state alone.
#include "RenderTestSupport.h"

#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

namespace folivex {
namespace {

using namespace folivex::testing;

const QRgb kPaper = qRgb(0xF8, 0xF0, 0xE0); // "$00E0F0F8"
const QRgb kCover = qRgb(0xFF, 0xFF, 0xFF);
const QRgb kRed = qRgb(200, 30, 30);
const QRgb kBlue = qRgb(30, 30, 200);

QRgb Shaded(QRgb c, int i, int n) {
    return qRgb(ShadeChannel(qRed(c), i, n), ShadeChannel(qGreen(c), i, n),
                ShadeChannel(qBlue(c), i, n));
}

bool HasDarkPixel(const QImage& img, QRect area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(PixelAt(img, x, y)) < 100)
                return true;
    return false;
}

class RenderPixel : public ::testing::Test {
protected:
    void SetUp() override {
        UseFontSubstitutes();
        state.pictureFolder = "/album/";
        state.pageColor = "$00E0F0F8";
        state.coverColor = "clWhite";
    }
    void AddPicture(const std::string& name, const std::string& comment, Bitmap24 pixels) {
        if (pictures.IsEmpty())
            pictures.MutableAt(1) = {name, comment, ""};
        else
            pictures.Append({name, comment, ""});
        fake.byPath["/album/" + name] = std::move(pixels);
    }
    BookRenderer Renderer() { return BookRenderer(state, pictures, std::ref(fake)); }

    AlbumState state;
    PictureList pictures;
    FakePictures fake;
};

TEST_F(RenderPixel, LastSpreadOfOddListShowsPictureAndPlainPaper) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        AddPicture(name, "", SolidPicture(640, 480, kRed));
    state.page.splitMode = 0;
    state.page.openMode = 0;
    state.page.currentPage = 3;
    state.slotFiles = {"old0", "old1", "old2", "old3"};
    const PageBuffers pages = Renderer().DrawSpread({300, 420});

    // Left page: the picture at its box (34, 123, 231, 173), paper around it.
    EXPECT_EQ(PixelAt(pages.left, 34, 123), kRed);
    EXPECT_EQ(PixelAt(pages.left, 264, 295), kRed);
    EXPECT_EQ(PixelAt(pages.left, 33, 123), kPaper);
    EXPECT_EQ(PixelAt(pages.left, 265, 123), kPaper);
    EXPECT_EQ(PixelAt(pages.left, 150, 122), kPaper);
    EXPECT_EQ(PixelAt(pages.left, 150, 296), kPaper);
    // Right page: nothing but paper inside.
    for (int y : {0, 123, 210, 419})
        EXPECT_EQ(PixelAt(pages.right, 150, y), kPaper) << y;
    // A blank slot names no picture, so a click there opens nothing stale.
    EXPECT_EQ(state.slotFiles, (std::array<std::string, 4>{"c.jpg", "", "", ""}));
}

TEST_F(RenderPixel, SpineShadingAndEdgeLinesFrameBothPages) {
    AddPicture("a.jpg", "", SolidPicture(10, 10, kRed));
    state.page.currentPage = 1;
    const PageBuffers pages = Renderer().DrawSpread({300, 420});
    const int n = 15, m = 7; // trunc(300 / 20), trunc(300 / 40)
    for (int y : {0, 200, 419}) {
        // Left page: shading darkens toward its right edge (the spine).
        EXPECT_EQ(PixelAt(pages.left, 299, y), Shaded(kPaper, n - 1, n));
        EXPECT_EQ(PixelAt(pages.left, 286, y), Shaded(kPaper, 1, n));
        EXPECT_EQ(PixelAt(pages.left, 285, y), kPaper);
        // Right page: toward its left edge, ending in black at column 0.
        EXPECT_EQ(PixelAt(pages.right, 0, y), qRgb(0, 0, 0));
        EXPECT_EQ(PixelAt(pages.right, n - 1, y), Shaded(kPaper, 1, n));
        EXPECT_EQ(PixelAt(pages.right, n, y), kPaper);
        // Outer edges: dark at the very edge, then paper, m lines in all.
        for (int j = 1; j <= m + 1; ++j) {
            const QRgb expected = j <= m && j % 2 ? Halved(kPaper) : kPaper;
            EXPECT_EQ(PixelAt(pages.left, j - 1, y), expected) << "left line " << j;
            EXPECT_EQ(PixelAt(pages.right, 300 - j, y), expected) << "right line " << j;
        }
    }
}

TEST_F(RenderPixel, CaptionsOnlyUnderCommentedPicturesInFourSplit) {
    AddPicture("1.jpg", "浜辺にて", SolidPicture(100, 50, kRed));
    AddPicture("2.jpg", "", SolidPicture(100, 50, kRed));
    AddPicture("3.jpg", "", SolidPicture(100, 50, kBlue));
    AddPicture("4.jpg", "山の朝", SolidPicture(100, 50, kBlue));
    state.page.splitMode = 1;
    state.page.openMode = 0;
    state.page.currentPage = 1;
    const PageBuffers pages = Renderer().DrawSpread({400, 500});
    // Caption boxes span x 40..359; top ones y 205..234, bottom ones y 455..484.
    const QRgb outline = Halved(kPaper);
    EXPECT_EQ(PixelAt(pages.left, 40, 220), outline); // row 1, slot 0: commented
    EXPECT_EQ(PixelAt(pages.left, 200, 205), outline);
    EXPECT_EQ(PixelAt(pages.left, 359, 220), outline);
    EXPECT_EQ(PixelAt(pages.left, 200, 234), outline);
    EXPECT_TRUE(HasDarkPixel(pages.left, QRect(60, 210, 120, 20)));
    EXPECT_EQ(PixelAt(pages.left, 40, 470), kPaper); // row 2, slot 1: no comment
    EXPECT_FALSE(HasDarkPixel(pages.left, QRect(60, 460, 120, 20)));
    EXPECT_EQ(PixelAt(pages.right, 40, 220), kPaper);  // row 3, slot 2: no comment
    EXPECT_EQ(PixelAt(pages.right, 40, 470), outline); // row 4, slot 3: commented
    EXPECT_TRUE(HasDarkPixel(pages.right, QRect(60, 460, 120, 20)));
    // Pictures sit at a third of the free height of their half page.
    EXPECT_EQ(PixelAt(pages.left, 150, 66), kRed); // slot 0 box (150, 66, 100, 50)
    EXPECT_EQ(PixelAt(pages.left, 150, 65), kPaper);
    EXPECT_EQ(PixelAt(pages.right, 150, 316), kBlue); // slot 3: 66 + 250
    EXPECT_EQ(state.slotFiles, (std::array<std::string, 4>{"1.jpg", "2.jpg", "3.jpg", "4.jpg"}));
}

TEST_F(RenderPixel, TwoSplitDrawsNoCaptions) {
    AddPicture("1.jpg", "浜辺にて", SolidPicture(100, 50, kRed));
    AddPicture("2.jpg", "山の朝", SolidPicture(100, 50, kRed));
    state.page.currentPage = 1;
    const PageBuffers pages = Renderer().DrawSpread({400, 500});
    for (const QImage* page : {&pages.left, &pages.right}) {
        EXPECT_EQ(PixelAt(*page, 40, 220), kPaper);
        EXPECT_FALSE(HasDarkPixel(*page, QRect(60, 210, 80, 20)));
    }
}

TEST_F(RenderPixel, RightOpeningPutsTheEarlierPictureRight) {
    AddPicture("1.jpg", "", SolidPicture(100, 50, kRed));
    AddPicture("2.jpg", "", SolidPicture(100, 50, kBlue));
    state.page.openMode = 1;
    state.page.currentPage = 1;
    const PageBuffers pages = Renderer().DrawSpread({400, 500});
    EXPECT_EQ(PixelAt(pages.right, 200, 250), kRed);
    EXPECT_EQ(PixelAt(pages.left, 200, 250), kBlue);
}

TEST_F(RenderPixel, CleanAndPlainDrawingFillTheSameBox) {
    // Columns alternating red and blue: the plain stretch keeps whole pixels, the clean
    // reduction averages them.
    Bitmap24 stripes(800, 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            std::uint8_t* p = stripes.row(y) + x * 3;
            const QRgb c = x % 2 ? kBlue : kRed;
            p[0] = std::uint8_t(qBlue(c)), p[1] = std::uint8_t(qGreen(c)),
            p[2] = std::uint8_t(qRed(c));
        }
    AddPicture("s.jpg", "", stripes);
    state.page.openMode = 0;
    state.page.currentPage = 1;
    const PageBuffers plain = Renderer().DrawSpread({300, 420});
    state.clearImage = true;
    const PageBuffers clean = Renderer().DrawSpread({300, 420});
    // Box (34, 123, 231, 173); factor 231 / 800 gives 231 x 173 exactly.
    for (const PageBuffers* pages : {&plain, &clean}) {
        EXPECT_NE(PixelAt(pages->left, 34, 123), kPaper);
        EXPECT_NE(PixelAt(pages->left, 264, 295), kPaper);
        EXPECT_EQ(PixelAt(pages->left, 265, 295), kPaper);
        EXPECT_EQ(PixelAt(pages->left, 264, 296), kPaper);
    }
    const QRgb p = PixelAt(plain.left, 100, 200), c = PixelAt(clean.left, 100, 200);
    EXPECT_TRUE(p == kRed || p == kBlue);
    EXPECT_NEAR(qRed(c), (200 + 30) / 2, 20);
    EXPECT_NEAR(qBlue(c), (200 + 30) / 2, 20);
}

TEST_F(RenderPixel, UnreadablePictureRaisesAndKeepsSlotFiles) {
    AddPicture("1.jpg", "", SolidPicture(100, 50, kRed));
    pictures.Append({"missing.jpg", "", ""});
    state.page.currentPage = 1;
    state.slotFiles = {"x", "y", "z", "w"};
    try {
        Renderer().DrawSpread({300, 420});
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "ﾌｧｲﾙ /album/missing.jpg は開けません");
    }
    EXPECT_EQ(state.slotFiles, (std::array<std::string, 4>{"x", "y", "z", "w"}));
}

TEST_F(RenderPixel, FrontCoverTitleWithFrameOnTheCoverSide) {
    state.albumTitle = "ＡＢＣＤＥＦＧＨＩＪ"; // 20 bytes: font height 20
    state.coverMode = 0;
    for (int openMode : {0, 1}) {
        SCOPED_TRACE(openMode);
        state.page.openMode = openMode;
        const QSize strip(30, 420), cover(300, 420);
        const PageBuffers pages = openMode == 0 ? Renderer().DrawFrontCover(strip, cover)
                                                : Renderer().DrawFrontCover(cover, strip);
        const QImage& c = openMode == 0 ? pages.right : pages.left;
        const QImage& s = openMode == 0 ? pages.left : pages.right;
        // Frame (15, 130) - (285, 170), right and bottom exclusive, in black.
        for (QPoint p : {QPoint(15, 130), QPoint(284, 169), QPoint(150, 130), QPoint(15, 150)})
            EXPECT_EQ(PixelAt(c, p.x(), p.y()), qRgb(0, 0, 0)) << p.x() << "," << p.y();
        EXPECT_EQ(PixelAt(c, 14, 130), kCover);
        EXPECT_EQ(PixelAt(c, 285, 169), kCover);
        EXPECT_EQ(PixelAt(c, 150, 170), kCover);
        EXPECT_TRUE(HasDarkPixel(c, QRect(30, 140, 200, 20)));
        // The strip darkens toward the cover: n = trunc(300 / 20) = 15.
        if (openMode == 0) {
            EXPECT_EQ(PixelAt(s, 29, 10), Shaded(kCover, 14, 15));
            EXPECT_EQ(PixelAt(s, 14, 10), kCover);
        } else {
            EXPECT_EQ(PixelAt(s, 0, 10), qRgb(0, 0, 0));
            EXPECT_EQ(PixelAt(s, 14, 10), Shaded(kCover, 1, 15));
            EXPECT_EQ(PixelAt(s, 15, 10), kCover);
        }
    }
}

TEST_F(RenderPixel, EmptyTitleGivesPlainCoverAndCoverPictureFillsItsSlot) {
    state.coverMode = 0;
    state.page.openMode = 0;
    PageBuffers pages = Renderer().DrawFrontCover({30, 420}, {300, 420});
    EXPECT_FALSE(HasDarkPixel(pages.right, QRect(0, 0, 300, 420)));

    AddPicture("cover.jpg", "", SolidPicture(640, 480, kBlue));
    state.coverMode = 1;
    state.coverPicture = "cover.jpg";
    pages = Renderer().DrawFrontCover({30, 420}, {300, 420});
    EXPECT_EQ(PixelAt(pages.right, 34, 123), kBlue); // fitted as a 2-split page
    EXPECT_EQ(PixelAt(pages.right, 33, 123), kCover);
    EXPECT_EQ(state.slotFiles[2], "cover.jpg");
}

TEST_F(RenderPixel, BackCoverShadesTheStripTowardTheCover) {
    state.page.openMode = 1; // back cover right of the centre, strip on the left
    PageBuffers pages = Renderer().DrawBackCover({30, 420}, {300, 420});
    EXPECT_EQ(PixelAt(pages.left, 29, 0), Shaded(kCover, 14, 15));
    EXPECT_EQ(PixelAt(pages.right, 0, 0), kCover);
    state.page.openMode = 0;
    pages = Renderer().DrawBackCover({300, 420}, {30, 420});
    EXPECT_EQ(PixelAt(pages.right, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(PixelAt(pages.left, 299, 0), kCover);
}

TEST(RenderTexture, TilesAcrossAndDown) {
    QImage texture(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            texture.setPixel(x, y, qRgb(x * 50, y * 50, 7));
    const QImage tiled = TileTexture(QSize(10, 5), texture);
    ASSERT_EQ(tiled.size(), QSize(10, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(PixelAt(tiled, x, y), qRgb(x % 3 * 50, y % 2 * 50, 7)) << x << "," << y;
    EXPECT_TRUE(TileTexture(QSize(10, 5), QImage()).isNull());
}

TEST(RenderColors, SystemColoursComeFromThePalette) {
    const QColor text = QGuiApplication::palette().color(QPalette::Text);
    EXPECT_EQ(ColorFromText("clWindowText"), text);
    EXPECT_EQ(ColorFromText("$00E0F0F8"), QColor(kPaper));
    EXPECT_THROW(ColorFromText("paper"), Error);
}

} // namespace
} // namespace folivex
