#include "resources/Cursors.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace folivex {

namespace {

// A thick arrow pointing left whose tip is at (0, 0)... the hot spot sits on the tip, so
// the arrow runs along the top-left diagonal region.
QPainterPath LeftArrowPath() {
    QPainterPath p;
    p.moveTo(0, 0);
    p.lineTo(14, 0);
    p.lineTo(9, 5);
    p.lineTo(24, 20);
    p.lineTo(20, 24);
    p.lineTo(5, 9);
    p.lineTo(0, 14);
    p.closeSubpath();
    return p;
}

// A thick arrow pointing right, centred on (15, 15).
QPainterPath RightArrowPath() {
    QPainterPath p;
    p.moveTo(30, 15);
    p.lineTo(18, 3);
    p.lineTo(18, 10);
    p.lineTo(1, 10);
    p.lineTo(1, 20);
    p.lineTo(18, 20);
    p.lineTo(18, 27);
    p.closeSubpath();
    return p;
}

// Two overlapping window frames; the hot spot (10, 20) lies inside the front one.
void DrawViewer(QPainter& g) {
    for (QRect r : {QRect(12, 2, 18, 16), QRect(2, 10, 18, 16)}) {
        g.setBrush(Qt::white);
        g.drawRect(r);
        g.setBrush(Qt::black);
        g.drawRect(r.left(), r.top(), r.width(), 3);
    }
}

QImage Shape(int index) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter g(&img);
    g.setPen(QPen(Qt::black, 1));
    g.setBrush(Qt::white);
    if (index == 5)
        g.drawPath(LeftArrowPath());
    else if (index == 6)
        g.drawPath(RightArrowPath());
    else
        DrawViewer(g);
    return img;
}

// Splits a shape into the two bitmaps of a two-colour cursor: a pixel is drawn where it
// is opaque, black where its colour is dark.
QCursor ToCursor(const QImage& shape, int hotX, int hotY) {
    QImage bits(32, 32, QImage::Format_Mono), mask(32, 32, QImage::Format_Mono);
    bits.fill(0);
    mask.fill(0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            QRgb c = shape.pixel(x, y);
            if (qAlpha(c) < 128)
                continue;
            mask.setPixel(x, y, 1);
            bits.setPixel(x, y, qGray(c) < 128 ? 1 : 0);
        }
    return QCursor(QBitmap::fromImage(bits), QBitmap::fromImage(mask), hotX, hotY);
}

} // namespace

QImage CursorShape(int index) {
    return Shape(index);
}
QCursor LeftArrowCursor() {
    return ToCursor(Shape(5), 0, 0);
}
QCursor RightArrowCursor() {
    return ToCursor(Shape(6), 15, 15);
}
QCursor ViewerCursor() {
    return ToCursor(Shape(7), 10, 20);
}

} // namespace folivex
