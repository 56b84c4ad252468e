// One page of the book on screen: shows a finished page image and reports the mouse
// presses, moves and clicks that turn pages or open pictures.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

namespace folivex {

class PageImage : public QWidget {
    Q_OBJECT
public:
    explicit PageImage(QWidget* parent = nullptr);

    // Shows the image from the top-left corner; the widget repaints once.
    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }

signals:
    void mousePressed(QPoint position, Qt::MouseButton button);
    void mouseMoved(QPoint position);
    // A left-button press and release both on this page; a double-click is one click.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage image_;
    bool leftPressed_ = false;
};

} // namespace folivex
