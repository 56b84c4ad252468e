#include "app/FormFixture.h"
#include "app/MainForm.h"
#include "contents/ContentsPage.h"
#include "contents/PageListGrid.h"
#include "contents/ThumbnailCache.h"
#include "core/Error.h"
#include "options/OptionDlg.h"
#include "options/OptionWidgets.h"
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace folivex;

namespace {

class ShellTest : public FormFixture {
protected:
    std::unique_ptr<TfrmFXMainForm> Create() { return CreateForm(true); }
};

bool MenuShown(QMenu* menu) {
    return menu->menuAction()->isVisible();
}

} // namespace

TEST_F(ShellTest, ViewAndContentsSwitchThePagesMenusAndModeButtons) {
    auto form = Create();
    EXPECT_TRUE(MenuShown(form->mniOperation));
    EXPECT_FALSE(MenuShown(form->mniEdit));
    EXPECT_FALSE(form->msiFTVOpen->isVisible());

    form->msiContentsClick();
    EXPECT_EQ(form->ntbBase->currentIndex(), 1);
    EXPECT_EQ(form->State().activeView, 1);
    EXPECT_FALSE(MenuShown(form->mniOperation));
    EXPECT_TRUE(MenuShown(form->mniEdit));
    EXPECT_TRUE(form->msiFTVOpen->isVisible());
    EXPECT_TRUE(form->msiSep1->isVisible());
    EXPECT_TRUE(form->Bars().spbContents->isChecked());
    EXPECT_FALSE(form->Bars().spb2Spilit->isEnabled());
    EXPECT_FALSE(form->Bars().spbClearImage->isEnabled());

    form->msiViewClick();
    EXPECT_EQ(form->ntbBase->currentIndex(), 0);
    EXPECT_EQ(form->State().activeView, 0);
    EXPECT_TRUE(MenuShown(form->mniOperation));
    EXPECT_FALSE(MenuShown(form->mniEdit));
    EXPECT_FALSE(form->msiFTVOpen->isVisible());
    EXPECT_TRUE(form->Bars().spbView->isChecked());
    EXPECT_TRUE(form->Bars().spb4Spilit->isEnabled());
    EXPECT_EQ(form->StatusPanelText(0), QStringLiteral("0/1"));
}

// A spread or thumbnail cache that fails to read raised its error half-way through the
// switch, and the window showed one page under the other page's menus; F2 then failed the
// same way every time.
TEST_F(ShellTest, APageWhoseReadingFailsStillGetsItsMenus) {
    auto form = Create();
    const std::string folder = dir_.filePath(QStringLiteral("pics")).toStdString() + "/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    QFile bad(QString::fromStdString(folder + "bad.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\xFF\xD8\xFF\xE0 not a picture");
    bad.close();
    form->State().pictureFolder = folder;
    PictureList& list = form->Pictures();
    list.SetRowCount(1);
    list.Append({"bad.jpg", "", "1"});
    form->Contents().stgPageList->Model().Refresh();
    QFile cache(QString::fromStdString(
        ThumbnailCacheFileName(dir_.filePath(QStringLiteral("Cache/")).toStdString(), folder)));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.write("damaged");
    cache.close();

    EXPECT_THROW(form->msiContentsClick(), Error);
    EXPECT_EQ(form->ntbBase->currentIndex(), 1);
    EXPECT_TRUE(MenuShown(form->mniEdit));
    EXPECT_FALSE(MenuShown(form->mniOperation));
    EXPECT_TRUE(form->Bars().spbContents->isChecked());

    EXPECT_THROW(form->msiViewClick(), Error); // the caret's picture: its spread is drawn
    EXPECT_EQ(form->ntbBase->currentIndex(), 0);
    EXPECT_EQ(form->State().activeView, 0);
    EXPECT_TRUE(MenuShown(form->mniOperation));
    EXPECT_FALSE(MenuShown(form->mniEdit));
    EXPECT_TRUE(form->Bars().spbView->isChecked());
}

TEST_F(ShellTest, InAlbumViewingModeTheFolderTreeItemStaysHidden) {
    auto form = Create();
    form->State().albumViewingMode = true;
    form->msiContentsClick();
    EXPECT_FALSE(form->msiFTVOpen->isVisible());
    EXPECT_FALSE(form->msiSep1->isVisible());
}

TEST_F(ShellTest, MenuCaptionsShortcutsAndInitialStates) {
    auto form = Create();
    EXPECT_EQ(form->msiView->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(form->Contents1->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_FALSE(form->msiAJVClose->isEnabled());
    EXPECT_FALSE(form->Bars().spbClose->isEnabled());
    EXPECT_TRUE(form->msiFTVOpen->isChecked());
    EXPECT_EQ(form->Bars().spbOpen->toolTip(), QStringLiteral("ｱﾙﾊﾞﾑﾌｧｲﾙを開く"));
    EXPECT_EQ(form->Bars().spbWriteTitle->toolTip(), QStringLiteral("ﾀｲﾄﾙを変更"));
    EXPECT_TRUE(form->Bars().spbView->isChecked());
    EXPECT_TRUE(form->Bars().spb2Spilit->isChecked());
    EXPECT_TRUE(form->Bars().spbRightOpen->isChecked());
    EXPECT_TRUE(form->Bars().spbNormalImage->isChecked());
    // The bar holds the menus the page shows (a hidden one would keep its mnemonic), so
    // the captions are read from every menu.
    QStringList top;
    for (QMenu* m : {form->mniFile, form->mniView, form->mniEdit, form->mniOperation,
                     form->mniOther, form->mniWindow, form->mniHelp})
        top << m->menuAction()->text();
    EXPECT_EQ(top, (QStringList{"ﾌｧｲﾙ(&F)", "表示(&V)", "編集(&E)", "操作(&O)", "その他(&E)",
                                "ｳｨﾝﾄﾞｳ(&W)", "ﾍﾙﾌﾟ(&H)"}));
    QStringList popup;
    for (QAction* a : form->ppmLPoPMenu->actions())
        popup << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(popup, (QStringList{"きれいに表示(&B)", "-", "←自動ページめくり", "停止(&S)", "-",
                                  "全画面表示(&A)", "-", "閉じる(&X)"}));
}

TEST_F(ShellTest, AToolbarClosedByTheUserOffersToBeShownAgain) {
    auto form = Create();
    form->Bars().tlbAlbumConfBar->toggleViewAction()->trigger();
    EXPECT_FALSE(form->Bars().tlbAlbumConfBar->isVisible());
    EXPECT_EQ(form->msiHideAlbumConfBar->text(), QStringLiteral("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを表示(&C)"));
    form->msiHideAlbumConfBarClick();
    EXPECT_TRUE(form->Bars().tlbAlbumConfBar->isVisible());
    EXPECT_EQ(form->msiHideAlbumConfBar->text(), QStringLiteral("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを隠す(&C)"));
}

TEST_F(ShellTest, StatusBarToggleUsesHeightsOneAnd27) {
    auto form = Create();
    form->msiHideStatusBar->trigger();
    EXPECT_EQ(form->pnlStatus->height(), 1);
    EXPECT_TRUE(form->msiHideStatusBar->isChecked());
    form->msiHideStatusBar->trigger();
    EXPECT_EQ(form->pnlStatus->height(), 27);
    EXPECT_FALSE(form->msiHideStatusBar->isChecked());
}

TEST_F(ShellTest, FullScreenRestoresTheBoundsOfBeforeAlsoAfterARestart) {
    QRect before;
    {
        auto form = Create();
        form->setGeometry(50, 60, 640, 480);
        before = form->geometry();
        form->msiAllDisp->trigger();
        EXPECT_TRUE(form->msiAllDisp->isChecked());
        EXPECT_TRUE(form->ppmRAllDisp->isChecked());
        EXPECT_TRUE(form->ppmLAllDisp->isChecked());
        EXPECT_DOUBLE_EQ(form->State().bookScale, 1.0);
        EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
        form->close(); // closing in full screen remembers it
    }
    auto form = Create();
    EXPECT_TRUE(form->ppmRAllDisp->isChecked());
    form->RestoreFullScreen();
    EXPECT_TRUE(form->msiAllDisp->isChecked());
    form->ppmRAllDisp->trigger(); // leave through the pop-up item
    EXPECT_FALSE(form->msiAllDisp->isChecked());
    EXPECT_FALSE(form->ppmLAllDisp->isChecked());
    EXPECT_DOUBLE_EQ(form->State().bookScale, 0.94);
    EXPECT_FALSE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->geometry(), before);
}

TEST(ErrorReport, AnExceptionFromACommandReachesTheErrorBoxAndTheLoopGoesOn) {
    ScriptedDialogs dialogs;
    SetAppDialogs(&dialogs);
    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        ++clicks;
        throw Error(FormatMessage(msg::kCannotOpen, "/x/IMG001.JPG"));
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, QStringLiteral("ｴﾗｰ"));
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("ﾌｧｲﾙ /x/IMG001.JPG は開けません"));
    SetAppDialogs(nullptr);
}

TEST_F(ShellTest, ConfirmedOptionsCloseTheBookAndSetTheModeButtons) {
    auto form = Create();
    form->State().page.currentPage = 3;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<TfrmOptionDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->rdgSpilitMode->SetItemIndex(1);
        dlg->rdgOpenMode->SetItemIndex(0); // left-opening
        dlg->OKBtn->click();
    });
    form->msiConfigClick();
    EXPECT_EQ(form->State().page.currentPage, 0);
    EXPECT_EQ(form->State().page.splitMode, 1);
    EXPECT_TRUE(form->Bars().spb4Spilit->isChecked());
    EXPECT_TRUE(form->Bars().spbLeftOpen->isChecked());
    EXPECT_EQ(form->ntbBase->currentIndex(), 0);
}

TEST_F(ShellTest, CancelledOptionsChangeNothing) {
    auto form = Create();
    form->State().page.currentPage = 3;
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    form->msiConfigClick();
    EXPECT_EQ(form->State().page.currentPage, 3);
    EXPECT_TRUE(form->Bars().spb2Spilit->isChecked());
}

namespace {

void WriteAlbum(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

TEST_F(ShellTest, TheFolderPanelItemClosesAndOpensThePanelFromTheViewPage) {
    auto form = Create();
    QWidget* panel = form->Contents().pnlDirSelect;
    ASSERT_EQ(form->ntbBase->currentIndex(), 0); // the View page: no panel is visible
    ASSERT_FALSE(panel->isHidden());
    form->msiFTVOpenClick();
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(form->msiFTVOpen->isChecked());
    form->msiFTVOpenClick();
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(form->msiFTVOpen->isChecked());
}

TEST_F(ShellTest, TheCoverChooserOffersThePluginFormats) {
    ASSERT_TRUE(QFile::copy(QStringLiteral(FOLIVEX_BIN_DIR "/ifpng.spi"),
                            dir_.filePath(QStringLiteral("ifpng.spi"))));
    auto form = Create();
    form->OptionDialog().btnRefClick();
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, QStringLiteral("open"));
    EXPECT_TRUE(dialogs_.shown[0].text.contains(QStringLiteral("*.png")))
        << dialogs_.shown[0].text.toStdString();
    EXPECT_TRUE(dialogs_.shown[0].text.contains(QStringLiteral("*.jpg")));
}

TEST_F(ShellTest, FullScreenFromAMaximisedWindowComesBackToItsNormalBounds) {
    auto form = Create();
    form->setGeometry(50, 60, 640, 480);
    const QRect normal = form->geometry();
    form->showMaximized();
    QApplication::processEvents();
    ASSERT_TRUE(form->isMaximized());
    form->msiAllDisp->trigger();
    form->msiAllDisp->trigger();
    QApplication::processEvents();
    EXPECT_EQ(form->geometry(), normal);
}

TEST_F(ShellTest, AMinimisedFullScreenWindowComesBackInFullScreen) {
    auto form = Create();
    form->msiAllDisp->trigger();
    QApplication::processEvents();
    form->showMinimized();
    QApplication::processEvents();
    form->showNormal(); // as the desktop restores it
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(form->isMaximized());
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form->msiAllDisp->isChecked());
}

TEST_F(ShellTest, AFailedAlbumLoadLeavesNoStaleRowsInTheGrid) {
    auto form = Create();
    PictureList& list = form->Pictures();
    list.SetRowCount(1);
    for (int i = 1; i <= 5; ++i)
        list.Append({"p" + std::to_string(i) + ".bmp", "", std::to_string(i)});
    form->Contents().stgPageList->Model().Refresh();
    ASSERT_EQ(form->Contents().stgPageList->RowHeader().count(), 5);
    // Two pairs and then the file ends: the reader fails on a missing line after it
    // replaced the rows.
    const QString album = dir_.filePath(QStringLiteral("short.ajv"));
    WriteAlbum(album, "2\r\na.bmp\r\n\r\nb.bmp\r\n\r\n0\r\n");
    try {
        form->LoadAlbumFile(album);
        ADD_FAILURE() << "a short album file was read";
    } catch (const std::exception&) {
    }
    EXPECT_EQ(form->Contents().stgPageList->RowHeader().count(), form->RowCount() - 1);
}

// The menu bar took the mnemonics of hidden menus too: with the Edit menu hidden but held
// on the View page, Alt+E went to it and "その他(&E)" opened only on a second press.
TEST_F(ShellTest, AltEOpensTheMenuThePageShows) {
    auto form = Create();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto altE = [&form] {
        QTest::keyClick(form.get(), Qt::Key_E, Qt::AltModifier);
        QAction* opened = form->menuBar()->activeAction();
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QTest::keyClick(form->menuBar(), Qt::Key_Escape);
        return opened;
    };
    // Each press counts: Qt hands a mnemonic two shown menus share to the next of them in
    // turn, and every second Alt+E on the contents page opened "その他".
    for (int press = 0; press < 3; ++press) {
        form->msiViewClick();
        EXPECT_EQ(altE(), form->mniOther->menuAction()) << "view page, press " << press;
        EXPECT_EQ(altE(), form->mniOther->menuAction()) << "view page, again " << press;
        form->msiContentsClick();
        EXPECT_EQ(altE(), form->mniEdit->menuAction()) << "contents page, press " << press;
        EXPECT_EQ(altE(), form->mniEdit->menuAction()) << "contents page, again " << press;
    }
    form->msiViewClick();
    EXPECT_EQ(altE(), form->mniOther->menuAction());
    // The Edit menu comes back in its place, between the View and the Operation menus.
    form->msiContentsClick();
    const QList<QAction*> bar = form->menuBar()->actions();
    EXPECT_EQ(bar.indexOf(form->mniEdit->menuAction()) + 1,
              bar.indexOf(form->mniOperation->menuAction()));
}

// Toolbars hidden and shown, full screen and back and resizes, one after another: the main
// window's toolbar animation, running through a resize, crashed inside Qt; the toolbars
// now take their places at once.
TEST_F(ShellTest, BarsFullScreenAndResizesInARowLeaveTheToolbarsInPlace) {
    auto form = Create();
    for (int i = 0; i < 12; ++i) {
        switch (i % 4) {
        case 0:
            form->msiHideAllToolBarClick();
            break;
        case 1:
            form->msiHideBasicBarClick();
            break;
        case 2:
            form->msiAllDispClick(form->msiAllDisp->isChecked());
            break;
        default:
            form->msiHideAlbumConfBarClick();
        }
        form->resize(560 + 40 * (i % 5), 420 + 30 * (i % 3));
        QApplication::processEvents();
        const QRect bar = form->Bars().tlbBasicBar->geometry();
        QTest::qWait(50);
        EXPECT_EQ(form->Bars().tlbBasicBar->geometry(), bar) << "still moving after step " << i;
    }
}
