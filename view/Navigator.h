// Page navigation on screen: the click zones and cursors of the two page images, the
// page-turn animation with its sound, automatic page turning, the scroll bar, jumps,
// and the album settings buttons.
#pragma once

#include "view/AlbumState.h"
#include "view/BookView.h"
#include "view/Navigation.h"
#include "view/PageImage.h"
#include "view/PictureList.h"

#include <QObject>
#include <QScrollBar>
#include <QTimer>

#include <functional>

namespace folivex {

// How the outside world is reached, so tests can stand in for it.
struct NavigatorServices {
    std::function<void()> playTurnSound;               // asynchronous, never restarted
    std::function<bool(const QString&)> programExists; // the "ImgViewer" file
    std::function<void(const QString& program, const QString& picture)> startViewer;
    std::function<void(const QString& picture)> openWithDesktop;
    std::function<void()> updateCounter; // status panel 0
    std::function<void(int ms)> wait;    // the animation's 100 ms pauses
    std::function<void()> repaint;       // paint the window at once
};

class Navigator : public QObject {
    Q_OBJECT
public:
    Navigator(AlbumState& state, const PictureList& pictures, BookView& book, PageImage* left,
              PageImage* right, QScrollBar* scroll, NavigatorServices services,
              QObject* parent = nullptr);

    void imgPageMouseDown(PageSide side, QPoint position);
    void imgPageMouseMove(PageSide side, QPoint position);
    void imgDblClick(PageSide side);
    void imgPageClick(PageSide side);

    void TurnPage(TurnMode mode);
    void JumpToPage(int row);
    // Opens the book, closed or open, at the spread that holds row `row`.
    void OpenAtRow(int row);
    void scbStatusChange();

    void msiRAutoChangeClick();
    void msiLAutoChangeClick();
    void msiAutoStopClick();
    void Timer1Timer();
    bool AutoTurning() const { return timer_.isActive(); }
    QTimer& Timer() { return timer_; }

    // Forward (Space) and back (Backspace) as clicks on the matching page.
    void TurnForward();
    void TurnBack();

    // The viewer program ("ImgViewer"); empty means the desktop's associated program.
    void SetViewer(const QString& program) { viewer_ = program; }
    void OpenInViewer(const std::string& fileName);

private:
    PageImage* Page(PageSide side) const { return side == PageSide::Left ? left_ : right_; }
    void StartAutoTurn(const char* side);

    AlbumState& state_;
    const PictureList& pictures_;
    BookView& book_;
    PageImage* left_;
    PageImage* right_;
    QScrollBar* scroll_;
    NavigatorServices services_;
    QTimer timer_;
    QString viewer_;
};

// Sleeps on the clock (not spinning) until at least `ms` milliseconds have passed;
// returns at once for 1 or less.
void WaitMilliseconds(int ms);

} // namespace folivex
