#include "view/PageImage.h"

#include <QMouseEvent>
#include <QPainter>

namespace folivex {

PageImage::PageImage(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true); // the cursor follows the pointer without a button held
    // A click on a page takes the keys from a text field, so Space turns pages again.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageImage::SetImage(const QImage& image) {
    image_ = image;
    update();
}

void PageImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, image_); // at its device pixel ratio: sharp on scaled screens
    // Whatever the image does not cover (briefly, while a page is being resized).
    const QSize covered = image_.deviceIndependentSize().toSize();
    if (covered.width() < width())
        painter.fillRect(covered.width(), 0, width() - covered.width(), height(),
                         palette().window());
    if (covered.height() < height())
        painter.fillRect(0, covered.height(), width(), height() - covered.height(),
                         palette().window());
}

void PageImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        leftPressed_ = !(event->flags() & Qt::MouseEventCreatedDoubleClick);
    emit mousePressed(event->position().toPoint(), event->button());
}

// The second press of a double-click arrives as a press and then this event; the pair
// is one click, so the release that follows must not click again.
void PageImage::mouseDoubleClickEvent(QMouseEvent* event) {
    leftPressed_ = false;
    emit mousePressed(event->position().toPoint(), event->button());
}

void PageImage::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->position().toPoint());
}

void PageImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = leftPressed_;
    leftPressed_ = false;
    if (wasPressed && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace folivex
