// The sample album's spreads drawn at two window sizes in both split modes, plainly and
// cleanly, compared with reference pictures checked in beside this test. Caption text is
// masked, since the installed fonts may draw it slightly differently.
//
// To make the references again after an intended change of the drawing, run the test
// with FOLIVEX_UPDATE_REFERENCES=1 and check the pictures before committing them.
#include "RenderTestSupport.h"

#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace folivex {
namespace {

using namespace folivex::testing;

struct SampleCase {
    const char* name;
    int splitMode;
    bool clean;
    int baseWidth, baseHeight;
    int page; // first row of the spread
};

const SampleCase kCases[] = {
    {"sample_2split_640_spread9_plain", 0, false, 640, 480, 9},
    {"sample_2split_1024_spread3_clean", 0, true, 1024, 768, 3},
    {"sample_4split_640_spread1_plain", 1, false, 640, 480, 1},
    {"sample_4split_1024_spread9_clean", 1, true, 1024, 768, 9},
};

// Both pages side by side, as the open book shows them.
QImage Spread(const PageBuffers& pages) {
    QImage both(pages.left.width() + pages.right.width(), pages.left.height(),
                QImage::Format_RGB32);
    QPainter painter(&both);
    painter.drawImage(0, 0, pages.left);
    painter.drawImage(pages.left.width(), 0, pages.right);
    return both;
}

// Paints the caption bands of both pages in one colour, in the reference and the result.
void MaskCaptions(QImage& spread, int pageWidth) {
    QPainter painter(&spread);
    for (int slot : {0, 1}) {
        const CaptionLayout c = SlotCaptionLayout({pageWidth, spread.height()}, slot, 0);
        painter.fillRect(0, c.top, spread.width(), c.bottom - c.top + 2, Qt::magenta);
    }
}

class RenderSample : public ::testing::TestWithParam<SampleCase> {};

TEST_P(RenderSample, MatchesReference) {
    UseFontSubstitutes();
    const SampleCase& c = GetParam();
    AlbumState state;
    PictureList pictures;
    ASSERT_TRUE(LoadSampleAlbum(FOLIVEX_SAMPLE_DIR, state, pictures))
        << "the sample album is missing: build the sample_album target";
    state.page.splitMode = c.splitMode;
    state.page.currentPage = c.page;
    state.clearImage = c.clean;
    const PictureRect book = OpenBookRect(c.baseWidth, c.baseHeight, state.bookScale);
    const int pageWidth = OpenPageWidth(book.width);
    BookRenderer renderer(state, pictures, DecodeWithQt);
    QImage actual = Spread(renderer.DrawSpread({pageWidth, book.height}));

    const QString path = QStringLiteral(FOLIVEX_SOURCE_DIR "/tests/view/data/") + c.name + ".png";
    if (qEnvironmentVariableIsSet("FOLIVEX_UPDATE_REFERENCES")) {
        ASSERT_TRUE(actual.save(path));
        GTEST_SKIP() << "reference written: " << path.toStdString();
    }
    QImage expected(path);
    ASSERT_FALSE(expected.isNull()) << "no reference " << path.toStdString();
    expected = expected.convertToFormat(QImage::Format_RGB32);
    if (c.splitMode == 1) {
        MaskCaptions(actual, pageWidth);
        MaskCaptions(expected, pageWidth);
    }
    ASSERT_EQ(actual.size(), expected.size());
    // JPEG decoders may differ by a level or two; anything beyond is a drawing change.
    const double share = DifferingShare(actual, expected, 6);
    if (share > 0.001)
        actual.save(QStringLiteral(FOLIVEX_BIN_DIR "/../") + c.name + "_actual.png");
    EXPECT_LE(share, 0.001);
}

INSTANTIATE_TEST_SUITE_P(Spreads, RenderSample, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace folivex
