// The sample album read from a cbz of its pictures draws the same spreads as the folder:
// the same pictures in the same slots and boxes, pixel for pixel within the tolerance
// of the rendering tests.
#include "RenderTestSupport.h"

#include "loading/Archive.h"
#include "loading/PictureLoader.h"
#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/ArchiveMaker.h"

#include <algorithm>
#include <filesystem>

namespace folivex {
namespace {

using namespace folivex::testing;

struct Drawn {
    QImage left, right;
    std::array<std::string, 4> slotFiles;
    PictureRect box;
};

Drawn DrawAt(AlbumState state, const PictureList& pictures, int page) {
    state.page.currentPage = page;
    TSPIBitmap spi;
    BookRenderer renderer(state, pictures,
                          [&spi](const std::string& path) { return LoadPicture24(path, spi); });
    const PictureRect book = OpenBookRect(800, 600, state.bookScale);
    const PageBuffers pages = renderer.DrawSpread({OpenPageWidth(book.width), book.height});
    return {pages.left, pages.right, state.slotFiles, state.pictureBox};
}

TEST(ArchiveSpread, ACbzOfTheSampleAlbumDrawsTheSameSpreadsAsItsFolder) {
    UseFontSubstitutes();
    AlbumState folderState;
    PictureList pictures;
    ASSERT_TRUE(LoadSampleAlbum(FOLIVEX_SAMPLE_DIR, folderState, pictures))
        << "the sample album is missing: build the sample_album target";

    // The pictures stored in a sub-folder of the archive, in reverse order, so that
    // neither the archive order nor the folder part can stand in for the list's names.
    QTemporaryDir dir;
    std::vector<test::ArchiveItem> items;
    for (int row = pictures.RowCount() - 1; row >= 1; --row) {
        std::ifstream in(std::string(FOLIVEX_SAMPLE_DIR "/") + pictures.FileName(row),
                         std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        items.push_back({"scans/" + pictures.FileName(row), bytes.str()});
    }
    const std::string cbz = dir.path().toStdString() + "/sample.cbz";
    test::WriteArchiveFile(cbz, test::MakeArchive(test::ArchiveKind::ZipDeflate, items));
    PictureList inner = pictures;
    for (int row = 1; row < inner.RowCount(); ++row)
        inner.MutableAt(row).fileName = "scans/" + pictures.FileName(row);
    AlbumState archiveState = folderState;
    archiveState.pictureFolder = cbz + "/";

    for (int split : {0, 1}) {
        folderState.page.splitMode = archiveState.page.splitMode = split;
        for (int page = 1; page < pictures.RowCount(); page += split ? 4 : 2) {
            SCOPED_TRACE("split " + std::to_string(split) + " page " + std::to_string(page));
            const Drawn fromFolder = DrawAt(folderState, pictures, page);
            const Drawn fromArchive = DrawAt(archiveState, inner, page);
            ASSERT_TRUE(std::any_of(fromFolder.slotFiles.begin(), fromFolder.slotFiles.end(),
                                    [](const std::string& f) { return !f.empty(); }));
            for (std::size_t slot = 0; slot < 4; ++slot) {
                const std::string& name = fromFolder.slotFiles[slot];
                EXPECT_EQ(fromArchive.slotFiles[slot], name.empty() ? name : "scans/" + name);
            }
            EXPECT_EQ(fromArchive.box.left, fromFolder.box.left);
            EXPECT_EQ(fromArchive.box.top, fromFolder.box.top);
            EXPECT_EQ(fromArchive.box.width, fromFolder.box.width);
            EXPECT_EQ(fromArchive.box.height, fromFolder.box.height);
            EXPECT_LE(DifferingShare(fromArchive.left, fromFolder.left, 6), 0.001);
            EXPECT_LE(DifferingShare(fromArchive.right, fromFolder.right, 6), 0.001);
        }
    }
    ArchiveShelf::Shared().Forget();
}

} // namespace
} // namespace folivex
