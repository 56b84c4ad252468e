// Draws the book off screen: the covers and the open spreads into a pair of page
// buffers, with the pictures fitted into their slots, the comment captions, the spine
// shading and the stacked-paper lines along the outer edges. Knows nothing of widgets;
// the caller says how large the pages are and shows the buffers when drawing succeeds.
#pragma once

#include "core/Bitmap24.h"
#include "loading/PagePictures.h"
#include "view/AlbumState.h"
#include "view/BookLayout.h"
#include "view/PictureList.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace folivex {

struct PageBuffers {
    QImage left, right;
};

// Desktop colour n (0 .. 24 in the order of the colour names) from the application palette,
// as 0x00BBGGRR.
std::uint32_t SystemColor(int n);
// A stored colour text ("clWhite", "$00E0F0F8", a system colour name) as a colour.
QColor ColorFromText(const std::string& text);

// The target size filled with copies of the texture, or a null image when the texture is
// empty (nothing to tile with).
QImage TileTexture(QSize target, const QImage& texture);

// Spine shading: n one-pixel columns darkening toward the right or the left edge.
void ShadeSpine(QImage& page, QColor color, int n, bool towardRight);
// Alternating dark and paper lines along a page's outer edge (the left page's left edge,
// the right page's right edge), starting with a dark line at the very edge.
void DrawEdgeLines(QImage& page, QColor color, PageSide side);
// Nearest-pixel stretch of the whole picture over box (clipped to the page).
void StretchPlain(const Bitmap24& picture, QImage& page, const PictureRect& box);
// The picture unscaled with its top-left corner at device pixel (x, y) (clipped to the
// page).
void DrawPicture(const Bitmap24& picture, QImage& page, int x, int y);

class BookRenderer {
public:
    // Pictures through the shared pipeline.
    BookRenderer(AlbumState& state, const PictureList& pictures, PagePictures& source);
    // Pictures through `source` alone, on the drawing thread, nothing kept or prepared
    // ahead.
    BookRenderer(AlbumState& state, const PictureList& pictures, PictureSource source);

    // The spread at the current page, both pages of the given size. On success the slot
    // files name the pictures shown (blank slots name none); on an error nothing of the
    // state has changed. beforeWait runs once before waiting for pictures not ready.
    PageBuffers DrawSpread(QSize page, const std::function<void()>& beforeWait = {});
    // Prepares the spreads before and after the current one, drawn at that page size in
    // the current mode, in the background.
    void PrefetchAround(QSize page);
    void CancelPrefetch() { source_.CancelPrefetch(); }
    // Device pixels per layout pixel of the screen the pages go to (at least 1). The
    // layout stays in layout pixels; the buffers, their pictures and their text are drawn
    // at the device's resolution and carry it as their device pixel ratio.
    void SetDeviceScale(double scale) { scale_ = std::max(1.0, scale); }
    // The closed book: the cover page and the strip of page edges, of the given sizes.
    PageBuffers DrawFrontCover(QSize leftPage, QSize rightPage);
    PageBuffers DrawBackCover(QSize leftPage, QSize rightPage);

private:
    SlotRequest RequestFor(const std::string& fileName, BookSize fittingPage) const;
    void DrawSlotPicture(const SlotPicture& picture, int slot, PageBuffers& pages,
                         BookSize fittingPage);
    std::vector<SlotRequest> SpreadRequests(const PageModel& page, BookSize size) const;
    void DrawCaption(QImage& page, int slot, const std::string& comment, int pictureHeight);
    void DrawTitle(QImage& cover);

    AlbumState& state_;
    const PictureList& pictures_;
    std::unique_ptr<PagePictures> ownSource_;
    PagePictures& source_;
    double scale_ = 1;
};

} // namespace folivex
