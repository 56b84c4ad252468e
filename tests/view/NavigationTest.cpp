#include "view/Navigation.h"

#include <gtest/gtest.h>

using namespace folivex;

TEST(ClickZones, OuterThirdTurnsInnerTwoThirdsOpenTheSlot) {
    struct Case {
        PageSide side;
        int w, h, x, y, split;
        ClickZone zone;
        int slot;
    } cases[] = {
        // W = 300: the left turn zone ends at 100, the right one starts at 200.
        {PageSide::Left, 300, 400, 100, 10, 0, ClickZone::Turn, -1},
        {PageSide::Left, 300, 400, 101, 10, 0, ClickZone::Picture, 0},
        {PageSide::Right, 300, 400, 200, 10, 0, ClickZone::Turn, -1},
        {PageSide::Right, 300, 400, 199, 10, 0, ClickZone::Picture, 2},
        // W = 301: trunc(100.33 + 0.5) = 100, trunc(200.67 + 0.5) = 201.
        {PageSide::Right, 301, 400, 200, 10, 0, ClickZone::Picture, 2},
        // 4-split: below the middle opens the bottom slot; the middle line is the top.
        {PageSide::Right, 300, 400, 150, 201, 1, ClickZone::Picture, 3},
        {PageSide::Right, 300, 400, 150, 200, 1, ClickZone::Picture, 2},
        {PageSide::Left, 300, 401, 150, 201, 1, ClickZone::Picture, 1},
        {PageSide::Left, 300, 400, 150, 390, 0, ClickZone::Picture, 0}, // 2-split: one slot
    };
    for (const auto& c : cases) {
        ClickTarget t = JudgeClick(c.side, c.w, c.h, c.x, c.y, c.split);
        EXPECT_EQ(t.zone, c.zone) << c.x << "," << c.y;
        EXPECT_EQ(t.slot, c.slot) << c.x << "," << c.y;
    }
}

TEST(ClickZones, CursorsShowTheViewerOnlyOverAnOpenSpread) {
    EXPECT_EQ(CursorAt(PageSide::Left, 300, 50, true), PageCursor::LeftArrow);
    EXPECT_EQ(CursorAt(PageSide::Left, 300, 150, true), PageCursor::Viewer);
    EXPECT_EQ(CursorAt(PageSide::Left, 300, 150, false), PageCursor::LeftArrow);
    EXPECT_EQ(CursorAt(PageSide::Right, 300, 250, true), PageCursor::RightArrow);
    EXPECT_EQ(CursorAt(PageSide::Right, 300, 150, true), PageCursor::Viewer);
    EXPECT_EQ(CursorAt(PageSide::Right, 300, 150, false), PageCursor::RightArrow);
}

TEST(TurnAnimation, FourShownFramesNarrowThenWiden) {
    auto shown = [](const std::vector<TurnStep>& steps) {
        std::vector<TurnStep> out;
        for (const auto& s : steps)
            if (s.show)
                out.push_back(s);
        return out;
    };
    // Right page turning over to the left: old right page at 3/4 then 2/3 of the width,
    // then the new left page from 1/3 and from 1/4 to the outer edge.
    auto l = shown(TurnSteps(TurnMode::L, 301, 301, 420));
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[0].source, TurnStep::Source::OldPage);
    EXPECT_EQ(l[0].target, PageSide::Right);
    EXPECT_EQ(l[0].right, 226); // trunc(3 * 301 / 4 + 0.5)
    EXPECT_EQ(l[1].right, 201); // trunc(2 * 301 / 3 + 0.5)
    EXPECT_EQ(l[2].source, TurnStep::Source::NewBuffer);
    EXPECT_EQ(l[2].target, PageSide::Left);
    EXPECT_EQ(l[2].left, 100);
    EXPECT_EQ(l[3].left, 75);
    EXPECT_EQ(l[3].right, 301);
    EXPECT_EQ(l[3].bottom, 420);
    // The mirror image.
    auto r = shown(TurnSteps(TurnMode::R, 301, 301, 420));
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].target, PageSide::Left);
    EXPECT_EQ(r[0].left, 75);
    EXPECT_EQ(r[1].left, 100);
    EXPECT_EQ(r[2].target, PageSide::Right);
    EXPECT_EQ(r[2].right, 201);
    EXPECT_EQ(r[3].right, 226);
    // Every turn ends with both pages showing their new buffers in full.
    for (TurnMode m : {TurnMode::N, TurnMode::L, TurnMode::R}) {
        auto steps = TurnSteps(m, 200, 210, 300);
        bool left = false, right = false;
        for (const auto& s : steps) {
            const bool full = s.source == TurnStep::Source::NewBuffer && s.left == 0 &&
                              s.right == (s.target == PageSide::Left ? 200 : 210);
            (s.target == PageSide::Left ? left : right) = full;
        }
        EXPECT_TRUE(left && right);
    }
    EXPECT_EQ(shown(TurnSteps(TurnMode::N, 200, 200, 300)).size(), 1u);
}
