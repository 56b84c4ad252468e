// The pure rules of page navigation: which zone of a page image a press falls in, which
// cursor shows where, and the frames of the page-turn animation. The widgets and the
// timer that use them live in the main window.
#pragma once

#include "view/PageModel.h"

#include <vector>

namespace folivex {

enum class ClickZone { Turn, Picture };

struct ClickTarget {
    ClickZone zone = ClickZone::Turn;
    int slot = -1; // the slot whose picture opens in the viewer (Picture zone only)
};

// Judges a press at (downX, downY) on a page image of width x height. The picture zone
// yields slot 0/1 (left) or 2/3 (right, and the bottom ones in 4-split mode below the
// middle).
ClickTarget JudgeClick(PageSide side, int width, int height, int downX, int downY, int splitMode);

enum class PageCursor { LeftArrow = 5, RightArrow = 6, Viewer = 7 };

// The cursor over a page image at x; the viewer cursor only while a spread is open.
PageCursor CursorAt(PageSide side, int width, int x, bool spreadOpen);

// One step of the page-turn animation. `source`: which picture is drawn; `rect` is where
// it is stretched on the target image (right and bottom edges excluded); `show` means
// the window is repainted and the animation waits 100 ms after this step.
struct TurnStep {
    enum class Source { OldPage, NewBuffer } source;
    PageSide target;
    int left, top, right, bottom;
    bool show;
};

// "N" shows the buffers at once; "L" turns the right page over to the left; "R" the
// left page over to the right. Each of "L" and "R" has four shown frames.
enum class TurnMode { N, L, R };
std::vector<TurnStep> TurnSteps(TurnMode mode, int leftWidth, int rightWidth, int height);

} // namespace folivex
