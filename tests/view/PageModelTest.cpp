#include "view/PageModel.h"

#include <gtest/gtest.h>

#include <vector>

using namespace folivex;

namespace {

PageModel Model(int split, int open, int page) {
    PageModel m;
    m.splitMode = split;
    m.openMode = open;
    m.currentPage = page;
    return m;
}

constexpr int B = PageModel::kBackCover;
constexpr int X = PageModel::kBlankSlot;

} // namespace

TEST(PageModel, SnapToSpreadStartsEverySpreadAtItsFirstRow) {
    PageModel two = Model(0, 0, 0), four = Model(1, 0, 0);
    std::vector<int> twoExpected{1, 1, 3, 3, 5, 5, 7};
    std::vector<int> fourExpected{1, 1, 1, 1, 5, 5, 5, 5, 9};
    for (int r = 1; r <= 7; ++r)
        EXPECT_EQ(two.SnapToSpread(r), twoExpected[std::size_t(r - 1)]) << r;
    for (int r = 1; r <= 9; ++r)
        EXPECT_EQ(four.SnapToSpread(r), fourExpected[std::size_t(r - 1)]) << r;
}

TEST(PageModel, SlotRowsForEverySplitAndOpeningMode) {
    struct Case {
        int split, open, page, rowCount;
        std::array<int, 4> rows;
    } cases[] = {
        {0, 0, 3, 13, {3, X, 4, X}}, {0, 1, 3, 13, {4, X, 3, X}}, {1, 0, 5, 13, {5, 6, 7, 8}},
        {1, 1, 5, 13, {7, 8, 5, 6}}, {0, 1, 5, 6, {X, X, 5, X}}, // right-opening, N = 5: left page
                                                                 // blank
        {1, 0, 5, 7, {5, 6, X, X}},                              // rows beyond N stay blank
        {0, 0, 0, 13, {X, X, X, X}},                             // covers show no slots
        {0, 0, B, 13, {X, X, X, X}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Model(c.split, c.open, c.page).SlotRows(c.rowCount), c.rows)
            << c.split << c.open << " page " << c.page;
}

TEST(PageModel, StepSequences) {
    // Each case: split, open, rowCount, start, the clicks, the pages after each click.
    struct Case {
        int split, open, rowCount, start;
        std::vector<PageSide> clicks;
        std::vector<int> pages;
    };
    const auto L = PageSide::Left, R = PageSide::Right;
    const Case cases[] = {
        // N = 5, 2-split, left-opening: 1, 3, 5, back; back again from 5; front from 1.
        {0, 0, 6, 1, {R, R, R}, {3, 5, B}},
        {0, 0, 6, 5, {L, L, L}, {3, 1, 0}},
        // N = 4: forward from 3 is the back cover.
        {0, 0, 5, 3, {R}, {B}},
        // N = 5, 4-split: spreads 1 and 5.
        {1, 0, 6, 1, {R, R}, {5, B}},
        // Right-opening advances with the left page.
        {0, 1, 6, 1, {L, L, L}, {3, 5, B}},
        {0, 1, 6, 3, {R, R}, {1, 0}},
        // Clicks on a cover do not step.
        {0, 0, 6, 0, {R, L}, {0, 0}},
        {0, 0, 6, B, {R}, {B}},
    };
    for (const auto& c : cases) {
        PageModel m = Model(c.split, c.open, c.start);
        for (std::size_t i = 0; i < c.clicks.size(); ++i) {
            m.StepPage(c.clicks[i], c.rowCount);
            EXPECT_EQ(m.currentPage, c.pages[i]) << "case start " << c.start << " click " << i;
        }
    }
}

TEST(PageModel, OpeningFromTheCovers) {
    PageModel m = Model(0, 0, 0);
    m.OpenFromCover(6, true);
    EXPECT_EQ(m.currentPage, 1);
    m.currentPage = B;
    m.OpenFromCover(6, true);
    EXPECT_EQ(m.currentPage, 5); // back cover of N = 5 opens the last spread
    m = Model(1, 0, B);
    m.OpenFromCover(5, true);
    EXPECT_EQ(m.currentPage, 1); // N = 4 in 4-split: one spread
    m = Model(0, 0, 0);
    m.OpenFromCover(2, false); // an empty album stays closed
    EXPECT_EQ(m.currentPage, 0);
    EXPECT_EQ(m.CounterText(2), "0/1");
}

TEST(PageModel, CounterShowsTheBackCoverAs999) {
    EXPECT_EQ(Model(0, 0, 3).CounterText(13), "3/12");
    EXPECT_EQ(Model(0, 0, 0).CounterText(13), "0/12");
    EXPECT_EQ(Model(0, 0, B).CounterText(13), "999/12");
}

TEST(PageModel, ScrollBarRunsBackwardInARightOpeningBook) {
    EXPECT_EQ(Model(0, 1, 3).ScrollPosition(13), 10);
    EXPECT_EQ(Model(0, 0, 3).ScrollPosition(13), 3);
    EXPECT_EQ(Model(0, 0, 0).ScrollPosition(13), 1);
    EXPECT_EQ(Model(0, 1, 0).ScrollPosition(13), 12);
    EXPECT_EQ(Model(0, 0, B).ScrollPosition(13), 12);
    EXPECT_EQ(Model(0, 1, B).ScrollPosition(13), 1);
    // Reading back snaps to the spread.
    EXPECT_EQ(Model(0, 1, 0).PageFromScrollPosition(10, 13), 3);
    EXPECT_EQ(Model(0, 1, 0).PageFromScrollPosition(9, 13), 3);
    EXPECT_EQ(Model(1, 0, 0).PageFromScrollPosition(8, 13), 5);
    // Every spread maps to a position and back to itself.
    for (int open = 0; open <= 1; ++open)
        for (int p = 1; p <= 12; p += 2)
            EXPECT_EQ(
                Model(0, open, p).PageFromScrollPosition(Model(0, open, p).ScrollPosition(13), 13),
                p);
}

TEST(PageModel, LargeAlbumsReachTheirLastSpreadAndTheBackCover) {
    for (int n : {998, 999, 1000, 1001, 5000}) {
        for (int split = 0; split <= 1; ++split) {
            PageModel m = Model(split, 0, 1);
            const int rowCount = n + 1;
            int steps = 0;
            int last = m.currentPage;
            while (m.StepPage(PageSide::Right, rowCount)) {
                last = m.currentPage;
                ++steps;
                ASSERT_LT(steps, 5000);
            }
            EXPECT_TRUE(m.IsBackCover()) << n;
            EXPECT_EQ(last, m.SnapToSpread(n)) << n;
            EXPECT_EQ(m.CounterText(rowCount), "999/" + std::to_string(n));
            // Back from the back cover opens the last spread, then steps back.
            m.OpenFromCover(rowCount, true);
            EXPECT_EQ(m.currentPage, m.SnapToSpread(n));
            m.StepPage(PageSide::Left, rowCount);
            EXPECT_EQ(m.currentPage, m.SnapToSpread(n) - m.PicturesPerSpread());
        }
    }
    // Spread 999 of a long 2-split album is a real spread, not the back cover.
    PageModel m = Model(0, 0, 997);
    m.StepPage(PageSide::Right, 5001);
    EXPECT_EQ(m.currentPage, 999);
    EXPECT_TRUE(m.IsSpreadOpen());
    EXPECT_EQ(m.SlotRows(5001), (std::array<int, 4>{999, X, 1000, X}));
}
