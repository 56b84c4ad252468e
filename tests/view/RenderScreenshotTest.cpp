// Screenshots of the book for the documentation: the sample album's front cover, a 2-split
// spread and a 4-split spread with captions, over the default texture. Runs only when
// FOLIVEX_SCREENSHOT_DIR names the folder to write them to.
#include "RenderTestSupport.h"

#include "resources/DefaultTexture.h"
#include "view/BookView.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace folivex {
namespace {

using namespace folivex::testing;

TEST(RenderScreenshot, SampleAlbumCoverAndSpreads) {
    const QString folder = qEnvironmentVariable("FOLIVEX_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set FOLIVEX_SCREENSHOT_DIR to write the screenshots";
    UseFontSubstitutes();
    AlbumState state;
    PictureList pictures;
    ASSERT_TRUE(LoadSampleAlbum(FOLIVEX_SAMPLE_DIR, state, pictures));

    QWidget window;
    window.resize(960, 640);
    auto* imgBase = new QLabel(&window);
    imgBase->setGeometry(window.rect());
    auto* ntbBase = new QWidget(&window);
    auto* left = new PageImage(ntbBase);
    auto* right = new PageImage(ntbBase);
    BookView view(state, pictures, {&window, imgBase, ntbBase, left, right, nullptr}, DecodeWithQt);
    window.show();
    const QImage texture = DefaultTexture();

    auto shoot = [&](const char* name) {
        view.FormResize(texture);
        ASSERT_TRUE(window.grab().save(folder + "/" + name));
    };
    state.page.currentPage = PageModel::kFrontCover;
    shoot("front_cover.png");
    state.page.splitMode = 0;
    state.page.currentPage = 3;
    shoot("spread_2split.png");
    state.page.splitMode = 1;
    state.page.currentPage = 1;
    state.clearImage = true;
    shoot("spread_4split_captions.png");
}

} // namespace
} // namespace folivex
