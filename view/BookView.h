// The book in the main window's View page: lays out the open and the closed book over
// the textured background, draws covers and spreads into the page buffers and shows them
// in the two page images in one step. The main window hands over its widgets and calls
// these commands from its handlers.
#pragma once

#include "view/AlbumState.h"
#include "view/BookRenderer.h"
#include "view/PageImage.h"
#include "view/PictureList.h"

#include <QImage>

#include <functional>

class QLabel;
class QScrollBar;
class QWidget;

namespace folivex {

struct BookWidgets {
    QWidget* window = nullptr;  // main window: its caption shows the title
    QLabel* imgBase = nullptr;  // the textured background; its size is the base size
    QWidget* ntbBase = nullptr; // the book rectangle over the background
    PageImage* imgLeftPage = nullptr;
    PageImage* imgRightPage = nullptr;
    QScrollBar* scbStatus = nullptr; // reset when the front cover is drawn; may be null
};

class BookView {
public:
    BookView(AlbumState& state, const PictureList& pictures, BookWidgets widgets,
             PagePictures& source);
    BookView(AlbumState& state, const PictureList& pictures, BookWidgets widgets,
             PictureSource source);

    // Fills the background with copies of the texture (an empty texture leaves it as is).
    void TileTexture(const QImage& texture);
    // Places the book rectangle for the open book.
    void LayoutOpenBook();
    // Places it for the contents page, within the window.
    void LayoutContents();
    // Lays out the open book and shows the spread at the current page at once.
    void ShowSpread();
    // Draws the spread at the current page into the page buffers only, with the busy
    // cursor while its pictures are not ready; then prepares the spreads around it.
    void DrawSpread();
    // Drops the preparation of spreads the user has jumped away from.
    void CancelPrefetch() { renderer_.CancelPrefetch(); }
    // Shows the page buffers in the page images.
    void ShowBuffers();
    // Lays out the closed book, draws and shows its front (resetting the scroll bar) or
    // its back.
    void DrawFrontCover();
    void DrawBackCover();
    // After a window resize: the background, then whatever the view shows.
    void FormResize(const QImage& texture);

    // The page menu's one-shot clean display of the open spread.
    void ppmBilinearClick();
    // The title command: asks for a new title, updates the caption and the front cover.
    void spbWriteTitleClick();

    const PageBuffers& Buffers() const { return buffers_; }

    // Called after each spread drawn at the current page (not after a failed drawing),
    // so the window can note where reading is.
    void SetSpreadDrawnHook(std::function<void()> hook) { spreadDrawn_ = std::move(hook); }

private:
    void PlaceClosedBook(Cover cover);
    QSize DrawingSizeOf(const PageImage* page);

    AlbumState& state_;
    const PictureList& pictures_;
    BookWidgets w_;
    BookRenderer renderer_;
    PageBuffers buffers_;
    std::function<void()> spreadDrawn_;
};

} // namespace folivex
