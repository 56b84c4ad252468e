// Geometry of the book: open and closed layouts, picture fitting in both split modes,
// the cover title and the spine shading.
#include "view/BookLayout.h"

#include <gtest/gtest.h>

#include <tuple>

namespace folivex {
namespace {

void ExpectRect(const PictureRect& r, int left, int top, int width, int height) {
    EXPECT_EQ(std::tie(r.left, r.top, r.width, r.height),
              std::make_tuple(left, top, width, height));
}

struct FitCase {
    int split, slot, pageW, pageH, bw, bh;
    PictureRect expected;
};

TEST(BookLayout, FitsPicturesInBothSplitModes) {
    const FitCase cases[] = {
        // 2-split, page 300 x 420: box 231 x 323.
        {0, 0, 300, 420, 640, 480, {34, 123, 231, 173}}, // wider than the box
        {0, 2, 300, 420, 400, 800, {69, 48, 161, 323}},  // taller than the box
        {0, 0, 300, 420, 100, 50, {100, 185, 100, 50}},  // small: own size, centred
        {0, 0, 300, 420, 231, 323, {34, 48, 231, 323}},  // exactly the box: kept
        // 4-split, page 310 x 420: box 239 x 170.
        {1, 0, 310, 420, 640, 480, {42, 13, 226, 170}},
        {1, 1, 310, 420, 640, 480, {42, 223, 226, 170}},
        {1, 3, 310, 420, 200, 100, {55, 246, 200, 100}}, // fits: a third of free height above
        {1, 2, 310, 420, 1600, 500, {35, 45, 239, 74}},  // panorama: width-limited
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "split " << c.split << " slot " << c.slot << " " << c.bw << "x" << c.bh);
        auto box = FitPicture(c.split, 85, c.slot, {c.pageW, c.pageH}, c.bw, c.bh);
        ASSERT_TRUE(box.has_value());
        ExpectRect(*box, c.expected.left, c.expected.top, c.expected.width, c.expected.height);
    }
}

TEST(BookLayout, FitsNothingWithoutArea) {
    EXPECT_FALSE(FitPicture(0, 85, 0, {0, 420}, 640, 480));
    EXPECT_FALSE(FitPicture(0, 85, 0, {300, 0}, 640, 480));
    EXPECT_FALSE(FitPicture(1, 85, 0, {300, 420}, 0, 480));
}

TEST(BookLayout, OpenBookIsCentredAndHalvedIntoPages) {
    // 800 x 600 window background at scale 0.94: h = 564, w = trunc(564 / 1.4 * 2) = 805.
    ExpectRect(OpenBookRect(800, 600, 0.94), -2, 18, 805, 564);
    ExpectRect(OpenBookRect(1000, 600, 1.0), 71, 0, 857, 600);
    EXPECT_EQ(OpenPageWidth(805), 403); // rounds half up: both pages together are w + 1
    EXPECT_EQ(OpenPageWidth(804), 402);
}

TEST(BookLayout, ContentsPageStaysWithinTheWindow) {
    struct Case {
        int wb, hb;
        double k;
        PictureRect expected;
    } const cases[] = {
        {1000, 600, 1.0, {71, 0, 857, 600}}, // the book fits: its own rectangle
        {800, 600, 0.94, {0, 18, 800, 564}}, // 2 and 3 columns over the sides
        {400, 600, 1.0, {0, 0, 400, 600}},   // a narrow window: the tree is not cut off
        {0, 600, 1.0, {0, 0, 0, 600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wb << " x " << c.hb);
        const PictureRect& e = c.expected;
        ExpectRect(ContentsRect(c.wb, c.hb, c.k), e.left, e.top, e.width, e.height);
    }
}

TEST(BookLayout, ClosedBookStandsBesideTheCentreLine) {
    // Hb 600, k 0.94: b = trunc(564 / 1.4) = 402, s = 40, book 442 x 564 at top 18.
    struct Case {
        Cover cover;
        int openMode;
        int bookLeft;
        PictureRect left, right;
    } const cases[] = {
        {Cover::Front, 0, 359, {0, 0, 40, 564}, {40, 0, 402, 564}},
        {Cover::Front, 1, 38, {0, 0, 402, 564}, {402, 0, 40, 564}},
        {Cover::Back, 1, 359, {0, 0, 40, 564}, {40, 0, 402, 564}},
        {Cover::Back, 0, 38, {0, 0, 402, 564}, {402, 0, 40, 564}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "open mode " << c.openMode);
        const ClosedBookLayout l = ClosedBookRect(800, 600, 0.94, c.openMode, c.cover);
        ExpectRect(l.book, c.bookLeft, 18, 442, 564);
        ExpectRect(l.leftPage, c.left.left, c.left.top, c.left.width, c.left.height);
        ExpectRect(l.rightPage, c.right.left, c.right.top, c.right.width, c.right.height);
    }
}

TEST(BookLayout, CoverTitleHeightFollowsItsByteLength) {
    // Ten full-width characters are 20 bytes: trunc(210 / 20) * 2 = 20.
    auto t = CoverTitleLayout({300, 420}, 20);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->fontHeight, 20);
    EXPECT_EQ(std::tie(t->textX, t->textY), std::make_tuple(30, 140));
    EXPECT_EQ(std::tie(t->frameLeft, t->frameTop, t->frameRight, t->frameBottom),
              std::make_tuple(15, 130, 285, 170));
    EXPECT_EQ(CoverTitleLayout({300, 420}, 1)->fontHeight, 420);
    EXPECT_FALSE(CoverTitleLayout({300, 420}, 0));  // empty title: plain cover
    EXPECT_FALSE(CoverTitleLayout({10, 420}, 200)); // too narrow for any text
}

TEST(BookLayout, CaptionsSitUnderTheirPictures) {
    const CaptionLayout top = SlotCaptionLayout({400, 500}, 2, 170);
    EXPECT_EQ(std::tie(top.left, top.top, top.right, top.bottom),
              std::make_tuple(40, 205, 360, 235));
    EXPECT_EQ(std::tie(top.corner, top.fontHeight, top.textX, top.textY),
              std::make_tuple(8, 20, 60, 210));
    const CaptionLayout bottom = SlotCaptionLayout({400, 500}, 1, 170);
    EXPECT_EQ(std::tie(bottom.top, bottom.bottom, bottom.textY), std::make_tuple(455, 485, 460));
}

TEST(BookLayout, SpineShadingDarkensToBlackAtTheSpine) {
    EXPECT_EQ(ShadeChannel(200, 1, 10), 198); // 200 - trunc(200 / 100)
    EXPECT_EQ(ShadeChannel(200, 5, 10), 150);
    EXPECT_EQ(ShadeChannel(255, 10, 10), 0);
    EXPECT_EQ(ShadeChannel(255, 3, 0), 255);
    // Toward the right edge the last line falls just outside the page; toward the left
    // edge the last line is column 0.
    EXPECT_EQ(ShadeColumn(400, 20, 1, true), 381);
    EXPECT_EQ(ShadeColumn(400, 20, 20, true), 400);
    EXPECT_EQ(ShadeColumn(400, 20, 1, false), 19);
    EXPECT_EQ(ShadeColumn(400, 20, 20, false), 0);
}

} // namespace
} // namespace folivex
