// The three page cursors, drawn by the program: 32 x 32, two colours (black outline,
// white fill), with their hot spots.
#pragma once

#include <QCursor>
#include <QImage>
#include <QPoint>

#include <array>

namespace folivex {

// A two-colour cursor as X11 takes it: a bitmap (1 black, 0 white) and a mask (1 drawn,
// 0 transparent), rows of 4 bytes, least significant bit leftmost.
struct CursorBits {
    static constexpr int kSize = 32;
    static constexpr int kStride = kSize / 8;
    static constexpr int kBytes = kStride * kSize;
    std::array<unsigned char, kBytes> bitmap{};
    std::array<unsigned char, kBytes> mask{};
    QPoint hotSpot;

    bool Black(int x, int y) const { return Test(mask, x, y) && Test(bitmap, x, y); }
    bool White(int x, int y) const { return Test(mask, x, y) && !Test(bitmap, x, y); }
    bool Transparent(int x, int y) const { return !Test(mask, x, y); }

    static bool Test(const std::array<unsigned char, kBytes>& bits, int x, int y);
    static void Set(std::array<unsigned char, kBytes>& bits, int x, int y);
};

// The bits of cursor 5 ("crLArrow"), 6 ("crRArrow") or 7 ("crEXViewer").
CursorBits CursorBitsOf(int index);

// The cursors for a screen of the given device pixel ratio: each bit enlarged to a
// square of the ratio rounded (at least 1), the hot spot with them, since the X server
// takes bitmap cursors in device pixels.
QCursor LeftArrowCursor(qreal devicePixelRatio = 1);  // "crLArrow", hot spot 0, 0
QCursor RightArrowCursor(qreal devicePixelRatio = 1); // "crRArrow", hot spot 15, 15
QCursor ViewerCursor(qreal devicePixelRatio = 1);     // "crEXViewer", hot spot 10, 20

// The cursor shapes as pictures (white fill, black outline, transparent elsewhere), for
// tests and for platforms that show colour cursors.
QImage CursorShape(int index); // 5, 6 or 7

} // namespace folivex
