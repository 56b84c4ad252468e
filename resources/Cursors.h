// The three page cursors, drawn by the program: 32 x 32, two colours (black outline,
// white fill), with their hot spots.
#pragma once

#include <QCursor>
#include <QImage>

namespace folivex {

QCursor LeftArrowCursor();  // "crLArrow", hot spot 0, 0
QCursor RightArrowCursor(); // "crRArrow", hot spot 15, 15
QCursor ViewerCursor();     // "crEXViewer", hot spot 10, 20

// The cursor shapes as pictures (white fill, black outline, transparent elsewhere), for
// tests and for platforms that show colour cursors.
QImage CursorShape(int index); // 5, 6 or 7

} // namespace folivex
