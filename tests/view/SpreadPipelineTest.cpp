// Spreads drawn through the picture pipeline: the sample album's spreads against the
// same spreads drawn from full decodes (within the stated tolerance), an archive of it
// drawing the very same pixels, and the spreads around the shown one prepared ahead so
// that turning to them waits for nothing.
#include "RenderTestSupport.h"

#include "loading/Archive.h"
#include "loading/PagePictures.h"
#include "loading/PictureLoader.h"
#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/ArchiveMaker.h"

#include <fstream>
#include <sstream>

namespace folivex {
namespace {

using namespace folivex::testing;

QSize PageOf800x600(const AlbumState& state) {
    const PictureRect book = OpenBookRect(800, 600, state.bookScale);
    return {OpenPageWidth(book.width), book.height};
}

PageBuffers DrawFull(AlbumState& state, const PictureList& pictures) {
    TSPIBitmap spi;
    BookRenderer renderer(state, pictures,
                          [&spi](const std::string& path) { return LoadPicture24(path, spi); });
    return renderer.DrawSpread(PageOf800x600(state));
}

class SpreadPipeline : public ::testing::Test {
protected:
    void SetUp() override {
        UseFontSubstitutes();
        ASSERT_TRUE(LoadSampleAlbum(FOLIVEX_SAMPLE_DIR, state, pictures))
            << "the sample album is missing: build the sample_album target";
    }
    void TearDown() override { ArchiveShelf::Shared().Forget(); }

    AlbumState state;
    PictureList pictures;
};

// The stated tolerance of reduced decoding. Clean drawing: at most 1% of the pixels more
// than 4 levels off in some channel, none more than 24. Plain (nearest-pixel) drawing
// samples a slightly smoothed picture, so fine detail moves more: at most 0.5% of the
// pixels more than 24 levels off.
TEST_F(SpreadPipeline, ReducedDecodingDrawsWithinTheToleranceOfFullDecoding) {
    PagePictures source({0, 0, nullptr});
    for (bool clean : {true, false}) {
        for (int split : {0, 1}) {
            state.clearImage = clean;
            state.page.splitMode = split;
            for (int page = 1; page < pictures.RowCount(); page += split ? 4 : 2) {
                SCOPED_TRACE((clean ? "clean" : "plain") + std::string(" split ") +
                             std::to_string(split) + " page " + std::to_string(page));
                state.page.currentPage = page;
                const PageBuffers full = DrawFull(state, pictures);
                const PictureRect fullBox = state.pictureBox;
                BookRenderer renderer(state, pictures, source);
                const PageBuffers reduced = renderer.DrawSpread(PageOf800x600(state));
                EXPECT_EQ(state.pictureBox.width, fullBox.width);
                EXPECT_EQ(state.pictureBox.height, fullBox.height);
                for (const auto& [r, f] : {std::pair{&reduced.left, &full.left},
                                           std::pair{&reduced.right, &full.right}}) {
                    if (clean) {
                        EXPECT_LE(DifferingShare(*r, *f, 4), 0.01);
                        EXPECT_EQ(DifferingShare(*r, *f, 24), 0.0);
                    } else {
                        EXPECT_LE(DifferingShare(*r, *f, 24), 0.005);
                    }
                }
            }
        }
    }
}

TEST_F(SpreadPipeline, AnArchiveOfTheAlbumDrawsTheSamePixelsThroughThePipeline) {
    QTemporaryDir dir;
    std::vector<test::ArchiveItem> items;
    for (int row = 1; row < pictures.RowCount(); ++row) {
        std::ifstream in(std::string(FOLIVEX_SAMPLE_DIR "/") + pictures.FileName(row),
                         std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        items.push_back({pictures.FileName(row), bytes.str()});
    }
    const std::string cbz = dir.path().toStdString() + "/sample.cbz";
    test::WriteArchiveFile(cbz, test::MakeArchive(test::ArchiveKind::ZipDeflate, items));
    AlbumState inArchive = state;
    inArchive.pictureFolder = cbz + "/";
    PagePictures source;
    BookRenderer fromFolder(state, pictures, source);
    BookRenderer fromArchive(inArchive, pictures, source);
    state.clearImage = inArchive.clearImage = true;
    for (int page = 1; page < pictures.RowCount(); page += 2) {
        state.page.currentPage = inArchive.page.currentPage = page;
        const PageBuffers a = fromFolder.DrawSpread(PageOf800x600(state));
        const PageBuffers b = fromArchive.DrawSpread(PageOf800x600(state));
        EXPECT_EQ(a.left, b.left) << page;
        EXPECT_EQ(a.right, b.right) << page;
    }
}

TEST_F(SpreadPipeline, TheSpreadsAroundTheShownOneArePreparedAhead) {
    PagePictures source;
    BookRenderer renderer(state, pictures, source);
    state.page.splitMode = 0;
    state.page.currentPage = 3;
    renderer.DrawSpread(PageOf800x600(state));
    const int shown = source.Stats().decodes;
    renderer.PrefetchAround(PageOf800x600(state));
    source.WaitIdle();
    EXPECT_EQ(source.Stats().decodes, shown + 4); // rows 1-2 and 5-6

    for (int page : {5, 1}) {
        state.page.currentPage = page;
        bool waited = false;
        renderer.DrawSpread(PageOf800x600(state), [&waited] { waited = true; });
        EXPECT_FALSE(waited) << page;
    }
    EXPECT_EQ(source.Stats().decodes, shown + 4);
}

} // namespace
} // namespace folivex
