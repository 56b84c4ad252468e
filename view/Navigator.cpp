#include "view/Navigator.h"

#include "loading/Archive.h"
#include "resources/Cursors.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QPainter>

#include <chrono>
#include <exception>
#include <limits>
#include <thread>

namespace folivex {

namespace {

// Clears the turning mark on every way out of a click.
struct TurningScope {
    bool& flag;
    explicit TurningScope(bool& f) : flag(f) { flag = true; }
    ~TurningScope() { flag = false; }
};

QImage StretchOnto(const QImage& base, const QImage& picture, const TurnStep& s) {
    QImage out = base;
    QPainter p(&out);
    p.drawImage(QRect(s.left, s.top, s.right - s.left, s.bottom - s.top), picture);
    return out;
}

} // namespace

void WaitMilliseconds(int ms) {
    if (ms <= 1)
        return;
    // A steady clock keeps the wait right across midnight and clock changes.
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Navigator::Navigator(AlbumState& state, const PictureList& pictures, BookView& book,
                     PageImage* left, PageImage* right, QScrollBar* scroll,
                     NavigatorServices services, QObject* parent)
    : QObject(parent), state_(state), pictures_(pictures), book_(book), left_(left), right_(right),
      scroll_(scroll), services_(std::move(services)) {
    if (!services_.wait)
        services_.wait = WaitMilliseconds;
    connect(&timer_, &QTimer::timeout, this, &Navigator::Timer1Timer);
    left_->setCursor(LeftArrowCursor(left_->devicePixelRatioF()));
    right_->setCursor(RightArrowCursor(right_->devicePixelRatioF()));
}

void Navigator::imgPageMouseDown(PageSide, QPoint position) {
    state_.downX = position.x();
    state_.downY = position.y();
}

void Navigator::imgPageMouseMove(PageSide side, QPoint position) {
    PageImage* page = Page(side);
    const qreal ratio = page->devicePixelRatioF();
    switch (CursorAt(side, page->width(), position.x(), state_.page.IsSpreadOpen())) {
    case PageCursor::LeftArrow:
        page->setCursor(LeftArrowCursor(ratio));
        break;
    case PageCursor::RightArrow:
        page->setCursor(RightArrowCursor(ratio));
        break;
    case PageCursor::Viewer:
        page->setCursor(ViewerCursor(ratio));
        break;
    }
}

void Navigator::imgDblClick(PageSide side) {
    PageImage* page = Page(side);
    const ClickTarget t = JudgeClick(side, page->width(), page->height(), state_.downX,
                                     state_.downY, state_.page.splitMode);
    if (t.zone == ClickZone::Turn) {
        imgPageClick(side);
        return;
    }
    if (state_.page.IsSpreadOpen())
        OpenInViewer(state_.slotFiles[std::size_t(t.slot)]);
}

void Navigator::OpenInViewer(const std::string& fileName) {
    // A blank slot has no picture to open.
    if (fileName.empty())
        return;
    const std::string path = state_.pictureFolder + fileName;
    // Pictures are never extracted from an archive, so there is no file to hand over.
    if (SplitArchiveMember(path)) {
        AppDialogs().Warning(tr("書庫の中の画像は外部ビューアで開けません。"));
        return;
    }
    const QString picture = QString::fromStdString(path);
    if (!viewer_.isEmpty() && services_.programExists && services_.programExists(viewer_)) {
        if (services_.startViewer)
            services_.startViewer(viewer_, picture);
    } else if (services_.openWithDesktop) {
        services_.openWithDesktop(picture);
    }
}

void Navigator::imgPageClick(PageSide side) {
    TurningScope turning(state_.turning);
    if (pictures_.IsEmpty())
        return;
    const bool opening = !state_.page.IsSpreadOpen();
    if (opening)
        state_.page.OpenFromCover(pictures_.RowCount(), true);
    else
        state_.page.StepPage(side, pictures_.RowCount());
    if (state_.page.IsSpreadOpen())
        scroll_->setValue(state_.page.ScrollPosition(pictures_.RowCount()));
    // The counter shows the new position even when a picture then fails to draw.
    if (services_.updateCounter)
        services_.updateCounter();
    if (state_.page.IsFrontCover()) {
        book_.DrawFrontCover();
    } else if (state_.page.IsBackCover()) {
        book_.DrawBackCover();
    } else if (opening) {
        // Lays out the open book and draws the spread once; the turn only adds the sound.
        book_.ShowSpread();
        TurnPage(TurnMode::N);
    } else {
        book_.DrawSpread();
        TurnPage(side == PageSide::Right ? TurnMode::L : TurnMode::R);
    }
}

void Navigator::TurnPage(TurnMode mode) {
    if (services_.playTurnSound)
        services_.playTurnSound();
    const PageBuffers& buffers = book_.Buffers();
    const QImage oldLeft = left_->Image(), oldRight = right_->Image();
    for (const TurnStep& s : TurnSteps(mode, left_->width(), right_->width(), left_->height())) {
        PageImage* page = Page(s.target);
        const QImage& buffer = s.target == PageSide::Left ? buffers.left : buffers.right;
        const bool whole =
            s.left == 0 && s.top == 0 && s.right == page->width() && s.bottom == page->height();
        if (s.source == TurnStep::Source::NewBuffer && whole) {
            page->SetImage(buffer);
        } else {
            const QImage& old = s.target == PageSide::Left ? oldLeft : oldRight;
            const QImage& picture = s.source == TurnStep::Source::OldPage ? old : buffer;
            const QImage& base = page->Image().isNull() ? buffer : page->Image();
            page->SetImage(StretchOnto(base, picture, s));
        }
        if (s.show) {
            if (services_.repaint)
                services_.repaint();
            services_.wait(100);
        }
    }
    if (services_.repaint)
        services_.repaint();
}

void Navigator::JumpToPage(int row) {
    book_.CancelPrefetch();
    state_.page.currentPage = state_.page.SnapToSpread(row);
    book_.DrawSpread();
    book_.ShowBuffers();
    if (services_.updateCounter)
        services_.updateCounter();
}

void Navigator::OpenAtRow(int row) {
    if (pictures_.IsEmpty())
        return;
    book_.CancelPrefetch();
    state_.page.currentPage = state_.page.SnapToSpread(row);
    {
        const QSignalBlocker block(scroll_); // the spread is drawn once, below
        scroll_->setValue(state_.page.ScrollPosition(pictures_.RowCount()));
    }
    if (services_.updateCounter)
        services_.updateCounter();
    book_.ShowSpread();
}

void Navigator::scbStatusChange() {
    const int rowCount = pictures_.RowCount();
    if (!state_.page.IsSpreadOpen()) {
        // On a cover the thumb goes back to the cover's end.
        const QSignalBlocker block(scroll_);
        scroll_->setValue(state_.page.ScrollPosition(rowCount));
    } else {
        state_.page.currentPage = state_.page.PageFromScrollPosition(scroll_->value(), rowCount);
        if (!state_.turning) {
            book_.CancelPrefetch();
            book_.ShowSpread();
        }
    }
    if (services_.updateCounter)
        services_.updateCounter();
}

void Navigator::StartAutoTurn(const char* side) {
    state_.autoTurnSide = side;
    const long long interval = static_cast<long long>(state_.acInterval) * 1000;
    // An interval of 0 never fires (a zero Qt timer would fire without pause).
    if (interval <= 0 || interval > std::numeric_limits<int>::max()) {
        timer_.stop();
        return;
    }
    timer_.start(int(interval));
}

void Navigator::msiRAutoChangeClick() {
    StartAutoTurn("R");
}
void Navigator::msiLAutoChangeClick() {
    StartAutoTurn("L");
}
void Navigator::msiAutoStopClick() {
    timer_.stop();
}

void Navigator::Timer1Timer() {
    // No turn behind a box or dialog: pages would turn unseen, and a picture failing there
    // would open its box on top of the last, tick after tick. Nor under an open menu, whose
    // hold on the keyboard would leave such a box unanswerable, nor on the contents page,
    // where a turn to a cover would lay the closed book over the list. The first tick
    // after the answer, the menu, or back on the view page, turns again.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() ||
        state_.activeView != 0)
        return;
    // Turning stops at a cover, and at a picture that cannot be read: its report comes
    // afterwards, and every later tick would fail on the same spread and report it again,
    // a box a tick for as long as the timer ran.
    struct StopAtCoverOrFailure {
        Navigator& n;
        const int failing = std::uncaught_exceptions();
        ~StopAtCoverOrFailure() {
            if (!n.state_.page.IsSpreadOpen() || std::uncaught_exceptions() > failing)
                n.timer_.stop();
        }
    } stop{*this};
    imgPageClick(state_.autoTurnSide == "R" ? PageSide::Right : PageSide::Left);
}

void Navigator::TurnForward() {
    imgPageClick(state_.page.openMode != 0 ? PageSide::Left : PageSide::Right);
}

void Navigator::TurnBack() {
    imgPageClick(state_.page.openMode != 0 ? PageSide::Right : PageSide::Left);
}

} // namespace folivex
