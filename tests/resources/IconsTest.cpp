// The program's own glyphs render at every size a bar or menu asks for.
#include "resources/Icons.h"

#include <gtest/gtest.h>

namespace folivex {
namespace {

int OpaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 128;
    return n;
}

TEST(Icons, EveryOwnGlyphDrawsSomethingAtEverySize) {
    const char* names[] = {"album-open", "album-close",   "album-folder", "album-save",
                           "view-book",  "view-contents", "preferences",  "split-2",
                           "split-4",    "open-right",    "open-left",    "draw-plain",
                           "draw-clean", "album-title"};
    for (const char* name : names) {
        for (int size : {16, 24, 48}) {
            const QImage image = RenderOwnIcon(name, size);
            ASSERT_EQ(image.size(), QSize(size, size)) << name;
            // A glyph covers a good part of its square and leaves some of it clear.
            const int opaque = OpaquePixels(image);
            EXPECT_GT(opaque, size * size / 5) << name << " at " << size;
            EXPECT_LT(opaque, size * size) << name << " at " << size;
        }
    }
    EXPECT_TRUE(RenderOwnIcon("no-such-glyph", 16).isNull());
}

TEST(Icons, AThemeWithoutTheNameFallsBackToTheOwnGlyph) {
    const QIcon icon = ToolbarIcon("folivex-no-such-theme-icon", "split-2");
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32),
              RenderOwnIcon("split-2", 24).convertToFormat(QImage::Format_ARGB32));
    EXPECT_FALSE(ProgramIcon().pixmap(64, 64).isNull());
}

} // namespace
} // namespace folivex
