// Page navigation in the real main window: clicks at real positions on the page images,
// keys, the timer, the scroll bar, the mode buttons and the search.
#include "app/MainForm.h"
#include "contents/ContentsPage.h"
#include "ui/ScriptedDialogs.h"
#include "view/Navigator.h"
#include "view/PageImage.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>

#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace folivex;

namespace {

constexpr int B = PageModel::kBackCover;

class NavigationWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        SetAppDialogs(&dialogs_);
        MainFormOptions o;
        o.programFolder = o.dataFolder = dir_.path() + QLatin1Char('/');
        form_ = std::make_unique<TfrmFXMainForm>(o);
        form_->FormCreate();
        form_->show();
        form_->resize(800, 600);
        QApplication::processEvents();
        NavigatorServices services;
        services.playTurnSound = [this] { ++sounds_; };
        services.programExists = [](const QString&) { return false; };
        services.openWithDesktop = [this](const QString& p) { opened_ << p; };
        services.updateCounter = [this] { form_->UpdatePageCounter(); };
        services.wait = [this](int ms) { waited_ += ms; };
        form_->SetNavigatorServices(services);
    }
    void TearDown() override { SetAppDialogs(nullptr); }

    // An album of the first n sample pictures with comments "c1", "c2", ...
    void Album(int n, int split, int open) {
        PictureList& list = form_->Pictures();
        list.SetRowCount(1);
        for (int i = 1; i <= n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG%03d.JPG", i == 9 ? 10 : i); // skip the giant
            list.Append({name, "c" + std::to_string(i), std::to_string(i)});
        }
        AlbumState& s = form_->State();
        s.pictureFolder = FOLIVEX_SAMPLE_DIR "/";
        s.page.splitMode = split;
        s.page.openMode = open;
        s.page.currentPage = 0;
        form_->DrawFrontCover();
    }
    void Open(int page) {
        form_->State().page.currentPage = page;
        form_->ShowSpread();
    }
    // Clicks a page image at a share of its width and height.
    void Click(PageSide side, double fx, double fy = 0.3) {
        PageImage* page = side == PageSide::Left ? form_->imgLeftPage : form_->imgRightPage;
        QTest::mouseClick(page, Qt::LeftButton, {},
                          QPoint(int(page->width() * fx), int(page->height() * fy)));
    }
    int Page() const { return form_->State().page.currentPage; }

    QTemporaryDir dir_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<TfrmFXMainForm> form_;
    int sounds_ = 0;
    int waited_ = 0;
    QStringList opened_;
};

} // namespace

TEST_F(NavigationWidgetTest, LeftOpeningTurnsWithTheRightPageAndClosesFromTheLeft) {
    Album(6, 0, 0);
    Open(1);
    Click(PageSide::Right, 0.9);
    EXPECT_EQ(Page(), 3);
    EXPECT_EQ(waited_, 400) << "a turn shows four frames of 100 ms";
    EXPECT_EQ(sounds_, 1);
    EXPECT_EQ(form_->StatusPanelText(0), QStringLiteral("3/6"));
    Open(1);
    waited_ = 0;
    Click(PageSide::Left, 0.1);
    EXPECT_EQ(Page(), 0);
    EXPECT_EQ(waited_, 0) << "closing the book has no animation";
}

TEST_F(NavigationWidgetTest, RightOpeningAdvancesWithTheLeftPageAndSpace) {
    Album(6, 0, 1);
    Open(1);
    const int before = form_->scbStatus->value();
    Click(PageSide::Left, 0.1);
    EXPECT_EQ(Page(), 3);
    EXPECT_LT(form_->scbStatus->value(), before);
    QTest::keyClick(form_.get(), Qt::Key_Space);
    EXPECT_EQ(Page(), 5);
    QTest::keyClick(form_.get(), Qt::Key_Backspace);
    EXPECT_EQ(Page(), 3);
}

TEST_F(NavigationWidgetTest, CoversOpenTheBookWithSoundButNoTurn) {
    Album(5, 0, 0);
    Click(PageSide::Right, 0.95);
    EXPECT_EQ(Page(), 1);
    EXPECT_EQ(sounds_, 1);
    EXPECT_LE(waited_, 100);
    form_->State().page.currentPage = B;
    form_->DrawBackCover();
    Click(PageSide::Left, 0.05);
    EXPECT_EQ(Page(), 5);
}

TEST_F(NavigationWidgetTest, InnerZoneOpensTheSlotsPictureInTheViewer) {
    Album(8, 1, 0);
    Open(1);
    Click(PageSide::Right, 0.5, 0.75); // 4-split, right page, below the middle: slot 3
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0], QStringLiteral(FOLIVEX_SAMPLE_DIR "/IMG004.JPG"));
    Click(PageSide::Left, 0.5, 0.25); // slot 0
    EXPECT_EQ(opened_.back(), QStringLiteral(FOLIVEX_SAMPLE_DIR "/IMG001.JPG"));
    EXPECT_EQ(Page(), 1);
}

TEST_F(NavigationWidgetTest, OnACoverTheInnerZoneDoesNothing) {
    Album(5, 0, 0);
    Click(PageSide::Right, 0.5);
    EXPECT_TRUE(opened_.isEmpty());
    EXPECT_EQ(Page(), 0);
}

TEST_F(NavigationWidgetTest, AutoTurnRunsToTheBackCoverAndStops) {
    Album(5, 0, 0);
    Open(1);
    form_->State().acInterval = 1;
    form_->Nav().msiRAutoChangeClick();
    EXPECT_TRUE(form_->Nav().AutoTurning());
    std::vector<int> pages;
    for (int i = 0; i < 3; ++i) {
        form_->Nav().Timer1Timer();
        pages.push_back(Page());
    }
    EXPECT_EQ(pages, (std::vector<int>{3, 5, B}));
    EXPECT_FALSE(form_->Nav().AutoTurning());
    EXPECT_EQ(form_->StatusPanelText(0), QStringLiteral("999/5"));
}

// A tick while a box was open turned the page behind it, and a picture failing there
// opened its box on top of the first; a tick on the contents page drew the book over the
// list; a box that came under an open menu could not be answered, the menu holding the
// keyboard. The ticks wait for the answer, the menu, or the view page.
TEST_F(NavigationWidgetTest, AutoTurnWaitsWhileABoxOrTheContentsPageIsShown) {
    Album(5, 0, 0);
    QDialog box(form_.get());
    box.setModal(true);
    struct Case {
        const char* what;
        std::function<void()> hold, release;
    } const cases[] = {
        {"a box",
         [&] {
             box.show();
             ASSERT_EQ(QApplication::activeModalWidget(), &box);
         },
         [&] { box.close(); }},
        {"the contents page", [&] { form_->msiContentsClick(); }, [&] { form_->msiViewClick(); }},
        {"an open menu",
         [&] {
             form_->mniOperation->popup(form_->mapToGlobal(QPoint(10, 10)));
             ASSERT_EQ(QApplication::activePopupWidget(), form_->mniOperation);
         },
         [&] { form_->mniOperation->close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(1);
        form_->State().acInterval = 1;
        form_->Nav().msiRAutoChangeClick();
        c.hold();
        form_->Nav().Timer1Timer();
        EXPECT_EQ(Page(), 1);
        EXPECT_TRUE(form_->Nav().AutoTurning());
        c.release();
        form_->Nav().Timer1Timer();
        EXPECT_EQ(Page(), 3);
        form_->Nav().msiAutoStopClick();
    }
}

// A tick that reached a picture that cannot be read reported it, and every later tick
// failed on the same spread and reported it again: turning stops at the failure.
TEST_F(NavigationWidgetTest, AutoTurnStopsAtAPictureThatCannotBeRead) {
    Album(4, 0, 0);
    // The album's folder of our own, its third picture cut short.
    const QString folder = dir_.path() + QStringLiteral("/album/");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int i = 1; i <= 4; ++i) {
        const QString name = QStringLiteral("IMG%1.JPG").arg(i, 3, 10, QLatin1Char('0'));
        QFile sample(QStringLiteral(FOLIVEX_SAMPLE_DIR "/") + name);
        ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
        QFile copy(folder + name);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(i == 3 ? sample.read(600) : sample.readAll());
    }
    form_->State().pictureFolder = folder.toStdString();
    Open(1);
    form_->State().acInterval = 1;
    form_->Nav().msiRAutoChangeClick();
    ASSERT_TRUE(form_->Nav().AutoTurning());
    EXPECT_ANY_THROW(form_->Nav().Timer1Timer());
    EXPECT_FALSE(form_->Nav().AutoTurning());
}

TEST_F(NavigationWidgetTest, AnIntervalOfZeroNeverFires) {
    Album(5, 0, 0);
    form_->State().acInterval = 0;
    form_->Nav().msiLAutoChangeClick();
    EXPECT_FALSE(form_->Nav().AutoTurning());
}

TEST_F(NavigationWidgetTest, ModeButtonsCloseTheBookButDrawingModesKeepTheSpread) {
    Album(6, 0, 0);
    Open(3);
    form_->Bars().spbClearImage->trigger();
    EXPECT_TRUE(form_->State().clearImage);
    EXPECT_EQ(Page(), 3);
    form_->Bars().spb4Spilit->trigger();
    EXPECT_EQ(form_->State().page.splitMode, 1);
    EXPECT_EQ(Page(), 0);
    form_->Bars().spbNormalImage->trigger(); // on a cover only the mode is recorded
    EXPECT_FALSE(form_->State().clearImage);
    EXPECT_EQ(Page(), 0);
}

TEST_F(NavigationWidgetTest, ScrollBarJumpsToTheSpread) {
    Album(12, 0, 1);
    Open(1);
    form_->scbStatus->setValue(8); // right-opening: row 13 - 8 = 5
    EXPECT_EQ(Page(), 5);
    EXPECT_EQ(form_->StatusPanelText(0), QStringLiteral("5/12"));
}

TEST_F(NavigationWidgetTest, SearchJumpsToTheSpreadOfTheMatch) {
    Album(12, 1, 1);
    form_->spdSearch->click();
    EXPECT_TRUE(form_->edtSearch->isVisibleTo(form_.get()));
    EXPECT_FALSE(form_->scbStatus->isVisibleTo(form_.get()));
    form_->edtSearch->setText(QStringLiteral("C7"));
    form_->spbSDownClick(); // on the cover: nothing, not even a message
    EXPECT_EQ(Page(), 0);
    EXPECT_TRUE(dialogs_.shown.empty());
    Open(1);
    form_->spbSDownClick();
    EXPECT_EQ(Page(), 5);
    EXPECT_EQ(form_->StatusPanelText(0), QStringLiteral("5/12"));
    form_->edtSearch->setText(QStringLiteral("nothing"));
    form_->spbSUpClick();
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("検索文字列が見つかりませんでした"));
    EXPECT_EQ(Page(), 5);
}

TEST_F(NavigationWidgetTest, AForwardedAlbumShowsItsCoverInAlbumViewingMode) {
    form_->ReceiveForwarded(QStringLiteral(FOLIVEX_SAMPLE_DIR "/Sample.ajv"));
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 旅の写真帳"));
    EXPECT_TRUE(form_->State().albumViewingMode);
    EXPECT_EQ(Page(), 0);
    EXPECT_EQ(form_->RowCount(), 13);
    EXPECT_EQ(form_->State().page.splitMode, 1);
    // Right-opening: the front cover's thumb stands at the far end.
    EXPECT_EQ(form_->scbStatus->maximum(), 12);
    EXPECT_EQ(form_->scbStatus->value(), 12);
    EXPECT_EQ(form_->StatusPanelText(0), QStringLiteral("0/12"));
    EXPECT_TRUE(form_->msiAJVClose->isEnabled());
}

TEST(StartWithAlbum, TheCommandLineAlbumShowsItsFrontCover) {
    ScriptedDialogs dialogs;
    SetAppDialogs(&dialogs);
    QTemporaryDir dir;
    MainFormOptions o;
    o.programFolder = o.dataFolder = dir.path() + QLatin1Char('/');
    o.arguments = {QStringLiteral(FOLIVEX_SAMPLE_DIR "/Sample.ajv")};
    TfrmFXMainForm form(o);
    form.FormCreate();
    form.show();
    QApplication::processEvents();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(form.State().albumViewingMode);
    EXPECT_EQ(form.StatusPanelText(0), QStringLiteral("0/12"));
    EXPECT_EQ(form.scbStatus->value(), 12);
    SetAppDialogs(nullptr);
}

TEST_F(NavigationWidgetTest, AForwardedAlbumThatEmptiesTheListShowsTheCover) {
    Album(6, 0, 0);
    Open(3);
    // A present but empty folder line: the reader warns and resets the list.
    const QString album = dir_.filePath(QStringLiteral("nofolder.ajv"));
    {
        QFile f(album);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1\r\na.bmp\r\n\r\n0\r\n0\r\n\r\nclWhite\r\nclWhite\r\n0\r\nT\r\n\r\n\r\n");
    }
    form_->ReceiveForwarded(album);
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("画像情報ファイルが不正です。"));
    EXPECT_EQ(Page(), 0); // no spread of the old list stays over the empty one
    EXPECT_EQ(form_->StatusPanelText(0), QStringLiteral("0/1")); // the empty list's one row
    EXPECT_NE(form_->windowTitle(), QStringLiteral("Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - T"));
}

TEST_F(NavigationWidgetTest, ACancelledAlbumOpenShowsTheFrontCover) {
    Album(6, 0, 0);
    Open(3);
    form_->Bars().spbOpen->trigger(); // the dialog is cancelled
    EXPECT_EQ(Page(), 0);
    EXPECT_EQ(form_->StatusPanelText(0), QStringLiteral("0/6"));
    // The cover is what the pages show, so the next Space opens the book at its start.
    QTest::keyClick(form_.get(), Qt::Key_Space);
    EXPECT_EQ(Page(), 1);
}

// The cover is drawn before the remembered folder is listed; the scroll bar must span
// the listed pictures all the same, or it could reach no page.
TEST(StartWithFolder, ThePageScrollBarSpansTheListedPictures) {
    ScriptedDialogs dialogs;
    SetAppDialogs(&dialogs);
    QTemporaryDir dir;
    {
        QFile ini(dir.filePath(QStringLiteral("Folmo.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Folder]\r\nCurrent=" FOLIVEX_SAMPLE_DIR "/\r\n");
    }
    MainFormOptions o;
    o.programFolder = o.dataFolder = dir.path() + QLatin1Char('/');
    TfrmFXMainForm form(o);
    form.FormCreate();
    form.show();
    QApplication::processEvents();
    const int rows = form.RowCount();
    ASSERT_GT(rows, 7);
    EXPECT_EQ(form.scbStatus->maximum(), rows - 1);
    EXPECT_EQ(form.scbStatus->value(), rows - 1); // right-opening: the front cover's end
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_EQ(form.State().page.currentPage, 1);
    EXPECT_EQ(form.scbStatus->value(), rows - 1);
    form.scbStatus->setValue(rows - 5); // right-opening: row 5
    EXPECT_EQ(form.State().page.currentPage, 5);
    SetAppDialogs(nullptr);
}

TEST_F(NavigationWidgetTest, LeftOpeningSpaceTurnsWithTheRightPage) {
    Album(6, 0, 0);
    Open(1);
    QTest::keyClick(form_.get(), Qt::Key_Space);
    EXPECT_EQ(Page(), 3);
    EXPECT_EQ(waited_, 400) << "Space clicked the right page: turn \"L\"";
    QTest::keyClick(form_.get(), Qt::Key_Backspace);
    EXPECT_EQ(Page(), 1);
}
