// The page cursors as the X server receives them: bitmap and mask bit by bit, and the
// hot spots. An inverted bitmap or mask shows as a black square with a cursor-shaped
// hole, which no widget test would notice.
#include "resources/Cursors.h"

#include <QBitmap>
#include <QCursor>
#include <gtest/gtest.h>

using namespace folivex;

namespace {

struct CursorCase {
    int index;
    QCursor (*make)(qreal devicePixelRatio);
    QPoint hotSpot;
    QPoint inside; // a point of the white fill
};

const CursorCase kCursors[] = {
    {5, LeftArrowCursor, {0, 0}, {10, 10}},
    {6, RightArrowCursor, {15, 15}, {10, 15}},
    {7, ViewerCursor, {10, 20}, {10, 20}},
};

bool BitOf(const QBitmap& bitmap, int x, int y) {
    // A set bit of a QBitmap is colour 1, which converts to black.
    return QColor(bitmap.toImage().pixel(x, y)) == QColor(Qt::black);
}

} // namespace

TEST(Cursors, ShapesAreWhiteInsideABlackOutlineOnATransparentGround) {
    for (const CursorCase& c : kCursors) {
        SCOPED_TRACE(c.index);
        const CursorBits bits = CursorBitsOf(c.index);
        EXPECT_EQ(bits.hotSpot, c.hotSpot);
        EXPECT_TRUE(bits.White(c.inside.x(), c.inside.y()));
        // The corner that no shape reaches, and much of the square, stay transparent.
        EXPECT_TRUE(bits.Transparent(31, 31));
        int black = 0, white = 0, clear = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                black += bits.Black(x, y);
                white += bits.White(x, y);
                clear += bits.Transparent(x, y);
            }
        EXPECT_GT(black, 30);
        EXPECT_GT(white, 30);
        EXPECT_GT(clear, 1024 / 3);
        // The black outline closes the fill: no white pixel borders on transparency.
        for (int y = 1; y < 31; ++y)
            for (int x = 1; x < 31; ++x) {
                if (!bits.White(x, y))
                    continue;
                for (QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                    EXPECT_FALSE(bits.Transparent(x + d.x(), y + d.y()))
                        << "white pixel " << x << "," << y << " touches the ground";
                }
            }
    }
}

TEST(Cursors, TheHotSpotLiesOnTheShape) {
    for (const CursorCase& c : kCursors) {
        SCOPED_TRACE(c.index);
        const CursorBits bits = CursorBitsOf(c.index);
        EXPECT_FALSE(bits.Transparent(c.hotSpot.x(), c.hotSpot.y()));
    }
}

TEST(Cursors, TheCursorCarriesExactlyTheseBitsAndHotSpot) {
    for (const CursorCase& c : kCursors) {
        SCOPED_TRACE(c.index);
        const CursorBits bits = CursorBitsOf(c.index);
        const QCursor cursor = c.make(1);
        EXPECT_EQ(cursor.hotSpot(), c.hotSpot);
        const QBitmap bitmap = cursor.bitmap();
        const QBitmap mask = cursor.mask();
        ASSERT_EQ(bitmap.size(), QSize(32, 32));
        ASSERT_EQ(mask.size(), QSize(32, 32));
        int wrong = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                wrong += BitOf(mask, x, y) != !bits.Transparent(x, y);
                wrong += BitOf(bitmap, x, y) != bits.Black(x, y);
            }
        EXPECT_EQ(wrong, 0);
        // The outer corner is neither drawn nor black, the fill drawn and white.
        EXPECT_FALSE(BitOf(mask, 31, 31));
        EXPECT_FALSE(BitOf(bitmap, 31, 31));
        EXPECT_TRUE(BitOf(mask, c.inside.x(), c.inside.y()));
        EXPECT_FALSE(BitOf(bitmap, c.inside.x(), c.inside.y()));
    }
}

TEST(Cursors, OnAScaledScreenEveryBitIsEnlargedAndTheHotSpotWithIt) {
    for (const CursorCase& c : kCursors) {
        SCOPED_TRACE(c.index);
        const CursorBits bits = CursorBitsOf(c.index);
        for (const auto& [ratio, scale] : {std::pair{2.0, 2}, {1.25, 1}, {1.5, 2}, {3.0, 3}, {0.5, 1}}) {
            SCOPED_TRACE(ratio);
            const QCursor cursor = c.make(ratio);
            EXPECT_EQ(cursor.hotSpot(), c.hotSpot * scale);
            const QBitmap bitmap = cursor.bitmap();
            const QBitmap mask = cursor.mask();
            ASSERT_EQ(bitmap.size(), QSize(32 * scale, 32 * scale));
            ASSERT_EQ(mask.size(), bitmap.size());
            int wrong = 0;
            for (int y = 0; y < 32 * scale; ++y)
                for (int x = 0; x < 32 * scale; ++x) {
                    wrong += BitOf(mask, x, y) != !bits.Transparent(x / scale, y / scale);
                    wrong += BitOf(bitmap, x, y) != bits.Black(x / scale, y / scale);
                }
            EXPECT_EQ(wrong, 0);
        }
    }
}
