// Waiting for a thumbnail cache build in a local event loop, so that the window keeps
// painting and the status panel keeps showing the progress while the pictures are made
// on worker threads.
#pragma once

#include "contents/ThumbnailCache.h"

#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace folivex {

// While it exists, the user's input to the program is held off: keys, clicks, the wheel,
// shortcuts, drops and context menus are dropped, so no command can change the picture
// list under the build; painting, resizing and timers go on. Esc stops the build, and so
// does closing `window` or quitting the program. Input to a modal box that opens meanwhile
// (an error report) reaches it, so the box can be answered.
class ThumbnailBuildLoop : public QObject, public ThumbnailBuildWait {
    Q_OBJECT
public:
    explicit ThumbnailBuildLoop(QWidget* window);
    ~ThumbnailBuildLoop() override;

    void Sleep() override;
    void Wake() override;
    bool Stopping() override;

    // The cancel path that Esc takes.
    void Stop();
    bool Stopped() const { return stopped_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    QEventLoop loop_;
    bool woken_ = false;
    bool stopped_ = false;
};

} // namespace folivex
