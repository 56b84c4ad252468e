#include "view/Navigation.h"

namespace folivex {

namespace {

// trunc(W / 3 + 0.5) and trunc(2 * W / 3 + 0.5) in real arithmetic.
int OneThird(int w) {
    return int(w / 3.0 + 0.5);
}
int TwoThirds(int w) {
    return int(2.0 * w / 3.0 + 0.5);
}
int Quarter(int w) {
    return int(w / 4.0 + 0.5);
}
int ThreeQuarters(int w) {
    return int(3.0 * w / 4.0 + 0.5);
}

} // namespace

ClickTarget JudgeClick(PageSide side, int width, int height, int downX, int downY, int splitMode) {
    const bool turn = side == PageSide::Left ? downX <= OneThird(width) : downX >= TwoThirds(width);
    if (turn)
        return {ClickZone::Turn, -1};
    int slot = side == PageSide::Left ? 0 : 2;
    if (splitMode == 1 && downY > int(height / 2.0))
        ++slot;
    return {ClickZone::Picture, slot};
}

PageCursor CursorAt(PageSide side, int width, int x, bool spreadOpen) {
    if (side == PageSide::Left)
        return spreadOpen && x > OneThird(width) ? PageCursor::Viewer : PageCursor::LeftArrow;
    return spreadOpen && x < TwoThirds(width) ? PageCursor::Viewer : PageCursor::RightArrow;
}

std::vector<TurnStep> TurnSteps(TurnMode mode, int wl, int wr, int h) {
    using S = TurnStep::Source;
    const auto L = PageSide::Left, R = PageSide::Right;
    switch (mode) {
    case TurnMode::N:
        return {{S::NewBuffer, L, 0, 0, wl, h, false}, {S::NewBuffer, R, 0, 0, wr, h, true}};
    case TurnMode::L:
        return {
            {S::NewBuffer, R, 0, 0, wr, h, false},
            {S::OldPage, R, 0, 0, ThreeQuarters(wr), h, true},
            {S::NewBuffer, R, 0, 0, wr, h, false},
            {S::OldPage, R, 0, 0, TwoThirds(wr), h, true},
            {S::NewBuffer, R, 0, 0, wr, h, false},
            {S::NewBuffer, L, OneThird(wl), 0, wl, h, true},
            {S::NewBuffer, L, Quarter(wl), 0, wl, h, true},
            {S::NewBuffer, L, 0, 0, wl, h, false},
        };
    case TurnMode::R:
        return {
            {S::NewBuffer, L, 0, 0, wl, h, false},
            {S::OldPage, L, Quarter(wl), 0, wl, h, true},
            {S::NewBuffer, L, 0, 0, wl, h, false},
            {S::OldPage, L, OneThird(wl), 0, wl, h, true},
            {S::NewBuffer, L, 0, 0, wl, h, false},
            {S::NewBuffer, R, 0, 0, TwoThirds(wr), h, true},
            {S::NewBuffer, R, 0, 0, ThreeQuarters(wr), h, true},
            {S::NewBuffer, R, 0, 0, wr, h, false},
        };
    }
    return {};
}

} // namespace folivex
