#include "view/BookView.h"

#include "ui/Dialogs.h"
#include "ui/Translation.h"
#include "view/BookLayout.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace folivex {

namespace {

// The hourglass for as long as a drawing runs, whichever way it ends.
class BusyCursor {
public:
    BusyCursor() : active_(QGuiApplication::instance() != nullptr) {
        if (active_)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor() {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool active_;
};

// Holds back painting of the book while its pieces move and change, so the new book
// appears in one step; painting resumes on every way out, an error included.
class HeldUpdates {
public:
    explicit HeldUpdates(QWidget* widget) : widget_(widget) { widget_->setUpdatesEnabled(false); }
    ~HeldUpdates() { widget_->setUpdatesEnabled(true); }
    HeldUpdates(const HeldUpdates&) = delete;
    HeldUpdates& operator=(const HeldUpdates&) = delete;

private:
    QWidget* widget_;
};

void SetGeometry(QWidget* widget, const PictureRect& r) {
    widget->setGeometry(r.left, r.top, r.width, r.height);
}

} // namespace

BookView::BookView(AlbumState& state, const PictureList& pictures, BookWidgets widgets,
                   PagePictures& source)
    : state_(state), pictures_(pictures), w_(widgets), renderer_(state, pictures, source) {}

BookView::BookView(AlbumState& state, const PictureList& pictures, BookWidgets widgets,
                   PictureSource source)
    : state_(state), pictures_(pictures), w_(widgets),
      renderer_(state, pictures, std::move(source)) {}

QSize BookView::DrawingSizeOf(const PageImage* page) {
    // Asked before every drawing, so a window moved to a screen of another scale is
    // drawn at that scale from its next page on.
    renderer_.SetDeviceScale(page->devicePixelRatioF());
    return page->size();
}

void BookView::TileTexture(const QImage& texture) {
    const QImage tiled = folivex::TileTexture(w_.imgBase->size(), texture);
    if (!tiled.isNull())
        w_.imgBase->setPixmap(QPixmap::fromImage(tiled));
}

void BookView::LayoutOpenBook() {
    SetGeometry(w_.ntbBase,
                OpenBookRect(w_.imgBase->width(), w_.imgBase->height(), state_.bookScale));
}

void BookView::LayoutContents() {
    SetGeometry(w_.ntbBase,
                ContentsRect(w_.imgBase->width(), w_.imgBase->height(), state_.bookScale));
}

void BookView::ShowSpread() {
    HeldUpdates held(w_.ntbBase);
    LayoutOpenBook();
    const int h = w_.ntbBase->height();
    const int pw = OpenPageWidth(w_.ntbBase->width());
    w_.imgLeftPage->setGeometry(0, 0, pw, h);
    w_.imgRightPage->setGeometry(w_.imgLeftPage->width(), 0, pw, h);
    DrawSpread();
    ShowBuffers();
}

void BookView::DrawSpread() {
    std::optional<BusyCursor> busy;
    const QSize size = DrawingSizeOf(w_.imgLeftPage);
    // Composed apart and kept only when every picture was read, so a failed drawing
    // leaves the buffers (and what is shown) as they were.
    buffers_ = renderer_.DrawSpread(size, [&busy] { busy.emplace(); });
    if (spreadDrawn_)
        spreadDrawn_();
    renderer_.PrefetchAround(size);
}

void BookView::ShowBuffers() {
    w_.imgLeftPage->SetImage(buffers_.left);
    w_.imgRightPage->SetImage(buffers_.right);
}

void BookView::PlaceClosedBook(Cover cover) {
    const ClosedBookLayout l = ClosedBookRect(w_.imgBase->width(), w_.imgBase->height(),
                                              state_.bookScale, state_.page.openMode, cover);
    SetGeometry(w_.ntbBase, l.book);
    SetGeometry(w_.imgLeftPage, l.leftPage);
    SetGeometry(w_.imgRightPage, l.rightPage);
}

void BookView::DrawFrontCover() {
    {
        HeldUpdates held(w_.ntbBase);
        PlaceClosedBook(Cover::Front);
        buffers_ =
            renderer_.DrawFrontCover(DrawingSizeOf(w_.imgLeftPage), DrawingSizeOf(w_.imgRightPage));
        ShowBuffers();
    }
    if (w_.scbStatus) {
        w_.scbStatus->setMaximum(std::max(1, pictures_.RowCount() - 1));
        w_.scbStatus->setValue(state_.page.ScrollPosition(pictures_.RowCount()));
    }
}

void BookView::DrawBackCover() {
    HeldUpdates held(w_.ntbBase);
    PlaceClosedBook(Cover::Back);
    buffers_ =
        renderer_.DrawBackCover(DrawingSizeOf(w_.imgLeftPage), DrawingSizeOf(w_.imgRightPage));
    ShowBuffers();
}

void BookView::FormResize(const QImage& texture) {
    TileTexture(texture);
    if (state_.activeView != 0)
        LayoutContents();
    else if (state_.page.IsFrontCover())
        DrawFrontCover();
    else if (state_.page.IsBackCover())
        DrawBackCover();
    else
        ShowSpread();
}

void BookView::ppmBilinearClick() {
    if (!state_.page.IsSpreadOpen())
        return;
    BusyCursor busy;
    struct Restore {
        bool& flag;
        bool saved;
        ~Restore() { flag = saved; }
    } restore{state_.clearImage, state_.clearImage};
    state_.clearImage = true;
    // A one-shot drawing: the spreads around stay prepared for the usual mode.
    buffers_ = renderer_.DrawSpread(DrawingSizeOf(w_.imgLeftPage));
    ShowBuffers();
}

void BookView::spbWriteTitleClick() {
    const auto title =
        AppDialogs().InputBox(QCoreApplication::translate("Dialogs", "タイトルの変更"),
                              QCoreApplication::translate("Dialogs", "タイトルを入力してください"),
                              QString::fromStdString(state_.albumTitle));
    if (title)
        state_.albumTitle = title->toStdString();
    if (w_.window) {
        w_.window->setWindowTitle(WindowCaption(state_.albumViewingMode, state_.albumTitle));
    }
    if (state_.page.IsFrontCover())
        DrawFrontCover();
}

} // namespace folivex
