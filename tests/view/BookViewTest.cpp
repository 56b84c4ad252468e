// The book in its widgets: layouts of the open and the closed book, pages shown only
// after a drawing succeeds, the one-shot clean display, the title command, and the page
// image's clicks.
#include "BookWindow.h"
#include "RenderTestSupport.h"

#include "ui/ScriptedDialogs.h"
#include "view/BookLayout.h"
#include "view/BookView.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace folivex {
namespace {

using namespace folivex::testing;

const QRgb kRed = qRgb(200, 30, 30);

Bitmap24 Stripes(int w, int h) {
    Bitmap24 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.row(y)[x * 3 + 2] = x % 2 ? 255 : 0;
    return b;
}

class BookViewFixture : public ::testing::Test, protected BookWindow {
protected:
    void SetUp() override {
        UseFontSubstitutes();
        state.pictureFolder = "/p/";
        for (int i = 1; i <= 5; ++i) {
            const std::string name = std::to_string(i) + ".jpg";
            if (i == 1)
                pictures.MutableAt(1) = {name, "", ""};
            else
                pictures.Append({name, "", ""});
            fake.byPath["/p/" + name] = i == 3 ? Stripes(640, 480) : SolidPicture(640, 480, kRed);
        }
        view = std::make_unique<BookView>(state, pictures, Widgets(), std::ref(fake));
    }
    void TearDown() override { SetAppDialogs(nullptr); }

    AlbumState state;
    PictureList pictures;
    FakePictures fake;
    std::unique_ptr<BookView> view;
};

TEST_F(BookViewFixture, OpenBookLaysOutTwoPagesAndShowsTheSpread) {
    state.page.currentPage = 1;
    view->ShowSpread();
    EXPECT_EQ(ntbBase->geometry(), QRect(-2, 18, 805, 564));
    EXPECT_EQ(left->geometry(), QRect(0, 0, 403, 564));
    EXPECT_EQ(right->geometry(), QRect(403, 0, 403, 564));
    EXPECT_EQ(left->Image(), view->Buffers().left);
    EXPECT_EQ(right->Image(), view->Buffers().right);
    EXPECT_EQ(left->Image().size(), QSize(403, 564));
    EXPECT_TRUE(ntbBase->updatesEnabled());
}

TEST_F(BookViewFixture, ClosedBookLayoutsAndScrollBarReset) {
    state.page.openMode = 0;
    view->DrawFrontCover();
    EXPECT_EQ(ntbBase->geometry(), QRect(359, 18, 442, 564));
    EXPECT_EQ(left->geometry(), QRect(0, 0, 40, 564));
    EXPECT_EQ(right->geometry(), QRect(40, 0, 402, 564));
    EXPECT_EQ(scroll->maximum(), 5);
    EXPECT_EQ(scroll->value(), 1);

    state.page.openMode = 1;
    view->DrawFrontCover();
    EXPECT_EQ(ntbBase->geometry(), QRect(38, 18, 442, 564));
    EXPECT_EQ(scroll->value(), 5);

    state.page.currentPage = PageModel::kBackCover;
    scroll->setValue(3);
    view->DrawBackCover();
    EXPECT_EQ(ntbBase->geometry(), QRect(359, 18, 442, 564));
    EXPECT_EQ(left->geometry(), QRect(0, 0, 40, 564));
    EXPECT_EQ(scroll->value(), 3); // the back cover leaves the scroll bar alone
}

TEST_F(BookViewFixture, FailedDrawingKeepsTheShownPages) {
    state.page.openMode = 0;
    state.page.currentPage = 1;
    state.clearImage = false;
    view->ShowSpread();
    const QImage shownLeft = left->Image(), shownRight = right->Image();
    const auto files = state.slotFiles;

    fake.byPath.erase("/p/4.jpg");
    state.page.currentPage = 3;
    EXPECT_THROW(view->ShowSpread(), Error);
    EXPECT_EQ(left->Image(), shownLeft);
    EXPECT_EQ(right->Image(), shownRight);
    EXPECT_EQ(view->Buffers().left, shownLeft);
    EXPECT_EQ(state.slotFiles, files);
    EXPECT_TRUE(ntbBase->updatesEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // The one-shot clean display fails the same way and still restores the mode.
    EXPECT_THROW(view->ppmBilinearClick(), Error);
    EXPECT_FALSE(state.clearImage);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(BookViewFixture, OneShotCleanDisplayRedrawsCleanlyOnlyOnSpreads) {
    state.page.openMode = 0;
    state.page.currentPage = 3; // picture 3 is fine stripes
    view->ShowSpread();
    const QImage plain = left->Image();
    view->ppmBilinearClick();
    EXPECT_FALSE(state.clearImage);
    const QImage clean = left->Image();
    EXPECT_NE(clean, plain);
    state.clearImage = true;
    view->DrawSpread();
    EXPECT_EQ(view->Buffers().left, clean);

    state.page.currentPage = PageModel::kFrontCover;
    view->DrawFrontCover();
    const int reads = fake.reads;
    const QImage cover = right->Image();
    view->ppmBilinearClick();
    EXPECT_EQ(fake.reads, reads);
    EXPECT_EQ(right->Image(), cover);
}

TEST_F(BookViewFixture, TitleCommandRenamesAndRedrawsTheFrontCover) {
    ScriptedDialogs dialogs;
    SetAppDialogs(&dialogs);
    state.page.openMode = 0;
    state.coverMode = 0;
    state.albumTitle = "旅";
    view->DrawFrontCover();
    const QImage before = right->Image();

    dialogs.inputAnswers.push_back(QStringLiteral("新しい題"));
    view->spbWriteTitleClick();
    EXPECT_EQ(dialogs.LastText(), QStringLiteral("タイトルの変更|タイトルを入力してください"));
    EXPECT_EQ(state.albumTitle, "新しい題");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Folivex - 新しい題"));
    EXPECT_NE(right->Image(), before);

    state.albumViewingMode = true;
    view->spbWriteTitleClick(); // cancelled: the title stays
    EXPECT_EQ(state.albumTitle, "新しい題");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 新しい題"));
}

TEST_F(BookViewFixture, ResizeRedrawsWhatTheViewShows) {
    QImage texture(4, 4, QImage::Format_RGB32);
    texture.fill(qRgb(1, 2, 3));
    state.activeView = 1;
    view->FormResize(texture);
    EXPECT_EQ(imgBase->pixmap().size(), QSize(800, 600));
    EXPECT_EQ(ntbBase->geometry(), QRect(0, 18, 800, 564)); // the contents page, within
    EXPECT_EQ(fake.reads, 0);
    state.activeView = 0;
    state.page.currentPage = 1;
    imgBase->setGeometry(0, 0, 400, 300);
    view->FormResize(texture);
    EXPECT_EQ(left->size(), QSize(201, 282));
    EXPECT_EQ(fake.reads, 2);
}

TEST(PageImageClicks, ClickNeedsPressAndReleaseOnTheSamePage) {
    PageImage page;
    page.resize(100, 100);
    page.show();
    QSignalSpy clicks(&page, &PageImage::clicked);
    QSignalSpy presses(&page, &PageImage::mousePressed);
    QTest::mouseClick(&page, Qt::LeftButton, {}, QPoint(10, 20));
    EXPECT_EQ(clicks.count(), 1);
    ASSERT_EQ(presses.count(), 1);
    EXPECT_EQ(presses.at(0).at(0).toPoint(), QPoint(10, 20));
    QTest::mousePress(&page, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseRelease(&page, Qt::LeftButton, {}, QPoint(150, 20));
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(&page, Qt::RightButton, {}, QPoint(10, 20));
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
} // namespace folivex
