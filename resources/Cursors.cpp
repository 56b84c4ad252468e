#include "resources/Cursors.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <vector>

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

// A pixel of the shape is part of the cursor where it is opaque; there it is black
// where its colour is dark and white elsewhere.
CursorBits ToBits(const QImage& shape, int hotX, int hotY) {
    CursorBits out;
    out.hotSpot = QPoint(hotX, hotY);
    for (int y = 0; y < CursorBits::kSize; ++y)
        for (int x = 0; x < CursorBits::kSize; ++x) {
            const QRgb c = shape.pixel(x, y);
            if (qAlpha(c) < 128)
                continue;
            out.Set(out.mask, x, y);
            if (qGray(c) < 128)
                out.Set(out.bitmap, x, y);
        }
    return out;
}

// The bits are handed to Qt as they are: with Format_MonoLSB a set bit is colour 1, so
// no colour table can invert them on the way (QBitmap::fromImage would, for a mono
// image whose index 0 is black).
QCursor ToCursor(const CursorBits& b, qreal devicePixelRatio) {
    const int scale = std::max(1, int(std::lround(devicePixelRatio)));
    const int side = CursorBits::kSize * scale;
    const int stride = (side + 7) / 8;
    std::vector<unsigned char> bitmap(std::size_t(stride * side)), mask(bitmap.size());
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const std::size_t at = std::size_t(y * stride + x / 8);
            const unsigned char bit = (unsigned char)(1u << (x % 8));
            if (CursorBits::Test(b.bitmap, x / scale, y / scale))
                bitmap[at] |= bit;
            if (CursorBits::Test(b.mask, x / scale, y / scale))
                mask[at] |= bit;
        }
    const QSize size(side, side);
    return QCursor(QBitmap::fromData(size, bitmap.data(), QImage::Format_MonoLSB),
                   QBitmap::fromData(size, mask.data(), QImage::Format_MonoLSB),
                   b.hotSpot.x() * scale, b.hotSpot.y() * scale);
}

} // namespace

bool CursorBits::Test(const std::array<unsigned char, kBytes>& bits, int x, int y) {
    return bits[std::size_t(y * kStride + x / 8)] & (1u << (x % 8));
}

void CursorBits::Set(std::array<unsigned char, kBytes>& bits, int x, int y) {
    bits[std::size_t(y * kStride + x / 8)] |= (1u << (x % 8));
}

QImage CursorShape(int index) {
    return Shape(index);
}

CursorBits CursorBitsOf(int index) {
    switch (index) {
    case 5:
        return ToBits(Shape(5), 0, 0);
    case 6:
        return ToBits(Shape(6), 15, 15);
    default:
        return ToBits(Shape(7), 10, 20);
    }
}

QCursor LeftArrowCursor(qreal devicePixelRatio) {
    return ToCursor(CursorBitsOf(5), devicePixelRatio);
}
QCursor RightArrowCursor(qreal devicePixelRatio) {
    return ToCursor(CursorBitsOf(6), devicePixelRatio);
}
QCursor ViewerCursor(qreal devicePixelRatio) {
    return ToCursor(CursorBitsOf(7), devicePixelRatio);
}

} // namespace folivex
