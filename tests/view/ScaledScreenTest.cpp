// Spreads for a scaled screen (device pixel ratio 2): the same layout as on a plain
// screen, but the buffers, the pictures in them and the paper's lines carry twice the
// pixels in each direction, so photos are drawn sharp instead of stretched.
#include "RenderTestSupport.h"

#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <gtest/gtest.h>

namespace folivex {
namespace {

using namespace folivex::testing;

// A picture with detail down to single pixels, so a stretched copy cannot pass for it.
Bitmap24 Detailed(int w, int h) {
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.row(y) + 3 * x;
            p[0] = std::uint8_t((x * 7 + y * 3) % 256);
            p[1] = std::uint8_t(((x / 2) ^ (y / 2)) * 5 % 256);
            p[2] = std::uint8_t((x + y) % 2 ? 230 : 20);
        }
    return b;
}

class ScaledScreen : public ::testing::Test {
protected:
    void SetUp() override {
        UseFontSubstitutes();
        state.pictureFolder = "/album/";
        state.pageColor = "$00E0F0F8";
        state.page.currentPage = 1;
    }
    void Add(const std::string& name, const std::string& comment, Bitmap24 pixels) {
        if (pictures.IsEmpty())
            pictures.MutableAt(1) = {name, comment, ""};
        else
            pictures.Append({name, comment, ""});
        fake.byPath["/album/" + name] = std::move(pixels);
    }
    PageBuffers Draw(double scale, PictureRect& box) {
        BookRenderer renderer(state, pictures, std::ref(fake));
        renderer.SetDeviceScale(scale);
        PageBuffers pages = renderer.DrawSpread(kPage);
        box = state.pictureBox;
        return pages;
    }

    static constexpr QSize kPage{380, 520};
    AlbumState state;
    PictureList pictures;
    FakePictures fake;
};

TEST_F(ScaledScreen, BuffersHaveTwiceThePixelsAndTheSameLayout) {
    Add("a.jpg", "", Detailed(3000, 2000));
    Add("b.jpg", "", Detailed(3000, 2000));
    for (const bool clean : {false, true}) {
        SCOPED_TRACE(clean ? "clean" : "plain");
        state.clearImage = clean;
        PictureRect plainBox{}, scaledBox{};
        const PageBuffers plain = Draw(1, plainBox);
        const PageBuffers scaled = Draw(2, scaledBox);
        EXPECT_EQ(scaled.left.size(), 2 * kPage);
        EXPECT_EQ(scaled.left.devicePixelRatio(), 2.0);
        EXPECT_EQ(scaled.right.deviceIndependentSize().toSize(), kPage);
        // The layout is the same box in layout pixels.
        EXPECT_EQ(scaledBox.left, plainBox.left);
        EXPECT_EQ(scaledBox.top, plainBox.top);
        EXPECT_EQ(scaledBox.width, plainBox.width);
        EXPECT_EQ(scaledBox.height, plainBox.height);
        // The picture fills twice the box in device pixels: paper just outside it, the
        // picture just inside, on every side.
        const QImage& page = scaled.left;
        const QRgb paper = PixelAt(page, 2 * scaledBox.left - 2, 2 * scaledBox.top - 2);
        const int x0 = 2 * scaledBox.left, y0 = 2 * scaledBox.top;
        const int x1 = 2 * (scaledBox.left + scaledBox.width) - 1;
        const int y1 = 2 * (scaledBox.top + scaledBox.height) - 1;
        int inside = 0;
        for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}})
            inside += PixelAt(page, x, y) != paper;
        EXPECT_GE(inside, 3); // a corner pixel may happen to match the paper
        EXPECT_EQ(PixelAt(page, x1 + 2, (y0 + y1) / 2), paper);
        EXPECT_EQ(PixelAt(page, (x0 + x1) / 2, y1 + 2), paper);
        // Sharp, not a stretched copy of the plain drawing: neighbouring device pixels
        // differ as often as neighbouring layout pixels do.
        int plainSteps = 0, scaledSteps = 0;
        const int row = scaledBox.top + scaledBox.height / 2;
        for (int x = scaledBox.left; x + 1 < scaledBox.left + scaledBox.width; ++x)
            plainSteps += PixelAt(plain.left, x, row) != PixelAt(plain.left, x + 1, row);
        for (int x = x0; x + 1 < x1; ++x)
            scaledSteps += PixelAt(page, x, 2 * row) != PixelAt(page, x + 1, 2 * row);
        EXPECT_GT(scaledSteps, plainSteps * 3 / 2);
    }
}

TEST_F(ScaledScreen, PaperLinesAndSpineCoverBothDeviceColumnsOfTheirLayoutColumn) {
    Add("a.jpg", "", SolidPicture(200, 150, qRgb(200, 30, 30)));
    PictureRect box{};
    const PageBuffers plain = Draw(1, box);
    const PageBuffers scaled = Draw(2, box);
    const int y = 3; // above every picture
    for (int x = 0; x < kPage.width(); ++x) {
        for (int dx : {0, 1}) {
            ASSERT_EQ(PixelAt(scaled.left, 2 * x + dx, 2 * y), PixelAt(plain.left, x, y))
                << "left page, layout column " << x;
            ASSERT_EQ(PixelAt(scaled.right, 2 * x + dx, 2 * y + 1), PixelAt(plain.right, x, y))
                << "right page, layout column " << x;
        }
    }
}

TEST_F(ScaledScreen, ASmallPictureKeepsItsLayoutSizeAndCaptionsStayInPlace) {
    state.page.splitMode = 1;
    const QRgb red = qRgb(200, 30, 30);
    Add("a.jpg", "a comment under the picture", SolidPicture(100, 60, red));
    for (const bool clean : {false, true}) {
        SCOPED_TRACE(clean ? "clean" : "plain");
        state.clearImage = clean;
        PictureRect box{};
        const PageBuffers plain = Draw(1, box);
        const PageBuffers scaled = Draw(2, box);
        ASSERT_EQ(box.width, 100);
        ASSERT_EQ(box.height, 60);
        const bool onLeft = state.slotFiles[0] == "a.jpg" || state.slotFiles[1] == "a.jpg";
        const QImage& page = onLeft ? scaled.left : scaled.right;
        // Never enlarged in layout pixels, so twice its size in device pixels.
        EXPECT_EQ(PixelAt(page, 2 * box.left, 2 * box.top), red);
        EXPECT_EQ(PixelAt(page, 2 * (box.left + 100) - 1, 2 * (box.top + 60) - 1), red);
        EXPECT_NE(PixelAt(page, 2 * (box.left + 100) + 1, 2 * box.top), red);
        // The caption is drawn at the same layout place: averaged down, the scaled page
        // matches the plain one but for the text's finer edges.
        const QImage down = page.scaled(kPage, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(DifferingShare(down, onLeft ? plain.left : plain.right, 48), 0.01);
    }
}

} // namespace
} // namespace folivex
