// The geometry of the book on screen: where the open and the closed book stand in the
// window, how a picture is fitted into its slot, and the sizes of the cover title, the
// comment captions, the spine shading and the page edges. Plain functions of sizes, so
// that every rule can be checked without widgets.
//
// All rules use real (double) arithmetic and truncate toward zero at exactly the places
// where a truncation is written below; changing the order of operations changes pixels.
#pragma once

#include "loading/SlotPicture.h"
#include "view/AlbumState.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace folivex {

struct BookSize {
    int width = 0, height = 0;
};

// The rectangle of the open book (ntbBase) in a base image of wb x hb at scale k.
PictureRect OpenBookRect(int wb, int hb, double k);

// The contents page's rectangle: the open book's, within the base image. A window
// narrower than the book would cut the folder tree and the list off; the book itself
// keeps its shape.
PictureRect ContentsRect(int wb, int hb, double k);

// Width of each page image of the open book: the book's width halved, rounded.
int OpenPageWidth(int bookWidth);

// The closed book: ntbBase's rectangle and the two page images inside it (one shows the
// cover, the other the strip of page edges beside it).
struct ClosedBookLayout {
    PictureRect book;
    PictureRect leftPage;  // relative to book
    PictureRect rightPage; // relative to book
};
enum class Cover { Front, Back };
ClosedBookLayout ClosedBookRect(int wb, int hb, double k, int openMode, Cover cover);

// The room a slot of a page of wp x hp offers its picture.
SlotBox SlotBoxOf(int splitMode, int rate, BookSize page);

// Where a picture of bw x bh goes in a slot of a page of wp x hp. Pictures are never
// enlarged. Nothing when the page or the picture has no area (there is nowhere to draw).
std::optional<PictureRect> FitPicture(int splitMode, int rate, int slot, BookSize page, int bw,
                                      int bh);

// The cover title: font cell height from the title's CP932 byte length, where it is
// written and the frame around it (right and bottom edges exclusive).
struct TitleLayout {
    int fontHeight = 0;
    int textX = 0, textY = 0;
    int frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
};
// Nothing when the title is empty or the cover too narrow for a visible font.
std::optional<TitleLayout> CoverTitleLayout(BookSize cover, std::size_t cp932Length);

// The comment caption of a slot in 4-split mode (rectangle right and bottom exclusive).
struct CaptionLayout {
    int left = 0, top = 0, right = 0, bottom = 0;
    int corner = 0; // width and height of the corner ellipse
    int fontHeight = 0;
    int textX = 0, textY = 0;
};
CaptionLayout SlotCaptionLayout(BookSize page, int slot, int pictureHeight);

// Spine shading: n lines, line i (1..n) darkens each channel c to c - trunc(c i^2 / n^2).
int ShadeChannel(int c, int i, int n);
// Column of shading line i: toward the right edge W - n + i, toward the left edge n - i.
int ShadeColumn(int width, int n, int i, bool towardRight);

// Count of page-edge lines along the outer edge of an open page.
inline int EdgeLineCount(int pageWidth) {
    return pageWidth / 40;
}
// Count of spine shading lines of an open page.
inline int SpineLineCount(int pageWidth) {
    return pageWidth / 20;
}

} // namespace folivex
