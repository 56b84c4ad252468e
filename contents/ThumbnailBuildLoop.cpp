#include "contents/ThumbnailBuildLoop.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

namespace folivex {

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

// A receiver inside a modal box opened during the build (not the window the build
// belongs to).
bool InsideModalBox(QObject* receiver, const QWidget* buildWindow) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->window() == buildWindow)
        return false;
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->window() == modal->window();
    if (auto* window = qobject_cast<QWindow*>(receiver))
        return window == modal->window()->windowHandle();
    return false;
}

} // namespace

ThumbnailBuildLoop::ThumbnailBuildLoop(QWidget* window) : window_(window) {
    qApp->installEventFilter(this);
}

ThumbnailBuildLoop::~ThumbnailBuildLoop() {
    qApp->removeEventFilter(this);
}

void ThumbnailBuildLoop::Sleep() {
    if (!woken_ && !stopped_) {
        loop_.exec();
        // Left without a wake-up or Esc: the program is quitting.
        if (!woken_ && !stopped_)
            stopped_ = true;
    }
    woken_ = false;
}

void ThumbnailBuildLoop::Wake() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            woken_ = true;
            loop_.quit();
        },
        Qt::QueuedConnection);
}

bool ThumbnailBuildLoop::Stopping() {
    QCoreApplication::processEvents();
    return stopped_;
}

void ThumbnailBuildLoop::Stop() {
    stopped_ = true;
    loop_.quit();
}

bool ThumbnailBuildLoop::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Close && watched == window_) {
        Stop();
        return false;
    }
    if (!IsUserInput(type) || InsideModalBox(watched, window_))
        return false;
    if (type == QEvent::ShortcutOverride) {
        event->accept(); // taken here, so no shortcut fires
        return true;
    }
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        !static_cast<QKeyEvent*>(event)->isAutoRepeat())
        Stop();
    return true;
}

} // namespace folivex
