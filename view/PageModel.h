// The album's position model: which spread is open, which picture rows its four slots
// show, how clicks step through the book, and how the position maps to the page counter
// and the status scroll bar. Plain data, driven by the main window and by the tests.
#pragma once

#include <array>
#include <climits>
#include <string>

namespace folivex {

enum class PageSide { Left, Right };

class PageModel {
public:
    static constexpr int kFrontCover = 0;
    // The closed book's back. Kept apart from every row number so that albums of any
    // length (999 pictures and more) never mistake a real spread for the back cover;
    // the page counter still shows it as 999.
    static constexpr int kBackCover = INT_MAX;
    static constexpr int kBackCoverCounter = 999;
    static constexpr int kBlankSlot = -1;

    int currentPage = kFrontCover; // 0, a spread's first row, or kBackCover
    int splitMode = 0;             // 0: two pictures per spread, 1: four
    int openMode = 1;              // 0: left-opening, 1: right-opening

    bool IsFrontCover() const { return currentPage == kFrontCover; }
    bool IsBackCover() const { return currentPage == kBackCover; }
    bool IsSpreadOpen() const { return !IsFrontCover() && !IsBackCover(); }

    int PicturesPerSpread() const { return splitMode == 1 ? 4 : 2; }

    // The first row of the spread that holds row `row` (1 or more).
    int SnapToSpread(int row) const;

    // The picture row each slot of the open spread shows, or kBlankSlot. Slots 0 and 1
    // are the left page (top, bottom), 2 and 3 the right page. rowCount counts the
    // list's heading row, so the pictures are rows 1 .. rowCount - 1.
    std::array<int, 4> SlotRows(int rowCount) const;

    // One spread forward or back for a click on the given page of an open spread.
    // Returns true when a spread is still open afterwards (the scroll bar follows).
    bool StepPage(PageSide clicked, int rowCount);

    // Opens the closed book from whichever cover it shows: the front opens at row 1, the
    // back at the last spread. An album without pictures stays closed.
    void OpenFromCover(int rowCount, bool hasPictures);

    // "current/N", with the back cover shown as 999.
    std::string CounterText(int rowCount) const;

    // Position of the status scroll bar (Min 1, Max rowCount - 1) for the current page.
    int ScrollPosition(int rowCount) const;
    // The spread a scroll bar position stands for.
    int PageFromScrollPosition(int position, int rowCount) const;
};

} // namespace folivex
