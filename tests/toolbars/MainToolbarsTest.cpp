#include "toolbars/MainToolbars.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace folivex;

namespace {

class MainToolbarsTest : public ::testing::Test {
protected:
    MainToolbarsTest()
        : hideAll(QStringLiteral("全ﾂｰﾙﾊﾞｰを隠す(&H)")),
          hideFile(QStringLiteral("ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを隠す(&F)")),
          hideBasic(QStringLiteral("基本ツールバーを隠す(&B)")),
          hideConf(QStringLiteral("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを隠す(&C)")),
          bars(&window, {&hideAll, &hideFile, &hideBasic, &hideConf}) {
        window.resize(600, 460);
        window.show();
    }

    QMainWindow window;
    QAction hideAll, hideFile, hideBasic, hideConf;
    MainToolbars bars;
};

} // namespace

TEST_F(MainToolbarsTest, BarsStartWithTheirNamesHintsAndCheckedDefaults) {
    EXPECT_EQ(bars.tlbAlbumFileBar->objectName(), QStringLiteral("tlbAlbumFileBar"));
    EXPECT_EQ(bars.tlbBasicBar->objectName(), QStringLiteral("tlbBasicBar"));
    EXPECT_EQ(bars.tlbAlbumConfBar->objectName(), QStringLiteral("tlbAlbumConfBar"));
    EXPECT_EQ(bars.spbOpen->toolTip(), QStringLiteral("ｱﾙﾊﾞﾑﾌｧｲﾙを開く"));
    EXPECT_EQ(bars.spbSave->statusTip(), QStringLiteral("ｱﾙﾊﾞﾑﾌｧｲﾙの作成/保存"));
    EXPECT_FALSE(bars.spbClose->isEnabled()) << "no album file is open at start";
    EXPECT_TRUE(bars.spbView->isChecked());
    EXPECT_TRUE(bars.spb2Spilit->isChecked());
    EXPECT_TRUE(bars.spbRightOpen->isChecked());
    EXPECT_TRUE(bars.spbNormalImage->isChecked());
    // The basic bar docks only at the top or the bottom.
    EXPECT_FALSE(bars.tlbBasicBar->isAreaAllowed(Qt::LeftToolBarArea));
    EXPECT_TRUE(bars.tlbBasicBar->isAreaAllowed(Qt::BottomToolBarArea));
}

TEST_F(MainToolbarsTest, EachPairOfModeButtonsIsExclusive) {
    struct Pair {
        QAction *a, *b;
    };
    for (Pair p : {Pair{bars.spbView, bars.spbContents}, Pair{bars.spb2Spilit, bars.spb4Spilit},
                   Pair{bars.spbRightOpen, bars.spbLeftOpen},
                   Pair{bars.spbNormalImage, bars.spbClearImage}}) {
        p.b->trigger();
        EXPECT_TRUE(p.b->isChecked());
        EXPECT_FALSE(p.a->isChecked());
        p.a->trigger();
        EXPECT_TRUE(p.a->isChecked());
        EXPECT_FALSE(p.b->isChecked());
    }
}

TEST_F(MainToolbarsTest, ModesAreShownAndLockedTogether) {
    bars.ApplyModes(true, false, true);
    EXPECT_TRUE(bars.spb4Spilit->isChecked());
    EXPECT_TRUE(bars.spbLeftOpen->isChecked());
    EXPECT_TRUE(bars.spbClearImage->isChecked());
    bars.SetModeButtonsEnabled(false);
    for (QAction* a : bars.ModeButtons())
        EXPECT_FALSE(a->isEnabled());
    EXPECT_TRUE(bars.spbConfig->isEnabled()) << "only the six mode buttons are locked";
}

TEST_F(MainToolbarsTest, ABarClosedByTheUserOffersToShowItAgain) {
    bars.tlbBasicBar->toggleViewAction()->trigger();
    EXPECT_FALSE(bars.tlbBasicBar->isVisible());
    EXPECT_EQ(hideBasic.text(), QStringLiteral("基本ﾂｰﾙﾊﾞｰを表示(&B)"));
    EXPECT_EQ(hideFile.text(), QStringLiteral("ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを隠す(&F)")) << "others unchanged";
}

TEST_F(MainToolbarsTest, SingleTogglesFlipOneBarAndItsCaption) {
    bars.ToggleAlbumConfBar();
    EXPECT_FALSE(bars.tlbAlbumConfBar->isVisible());
    EXPECT_EQ(hideConf.text(), QStringLiteral("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを表示(&C)"));
    bars.ToggleAlbumConfBar();
    EXPECT_TRUE(bars.tlbAlbumConfBar->isVisible());
    EXPECT_EQ(hideConf.text(), QStringLiteral("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを隠す(&C)"));
    bars.ToggleAlbumFileBar();
    EXPECT_EQ(hideFile.text(), QStringLiteral("ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを表示(&F)"));
    bars.ToggleAlbumFileBar();
    EXPECT_EQ(hideFile.text(), QStringLiteral("ｱﾙﾊﾞﾑﾂｰﾙﾊﾞｰを隠す(&F)"));
    EXPECT_EQ(bars.HideAllTag(), 0) << "single toggles leave the hide-all state alone";
}

TEST_F(MainToolbarsTest, HideAllHidesEveryBarAndRenamesEveryItem) {
    bars.ToggleAll();
    for (QToolBar* b : {bars.tlbAlbumFileBar, bars.tlbBasicBar, bars.tlbAlbumConfBar})
        EXPECT_FALSE(b->isVisible());
    EXPECT_EQ(bars.HideAllTag(), 1);
    EXPECT_EQ(hideAll.text(), QStringLiteral("全てのﾂｰﾙﾊﾞｰを表示(&H)"));
    EXPECT_EQ(hideBasic.text(), QStringLiteral("基本ﾂｰﾙﾊﾞｰを表示(&B)"));
    bars.ToggleAll();
    for (QToolBar* b : {bars.tlbAlbumFileBar, bars.tlbBasicBar, bars.tlbAlbumConfBar})
        EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(bars.HideAllTag(), 0);
    EXPECT_EQ(hideAll.text(), QStringLiteral("全てのﾂｰﾙﾊﾞｰを隠す(&H)"));
}

TEST_F(MainToolbarsTest, EveryButtonHasAGlyphAndTheBarsFitTheStartWidth) {
    for (QToolBar* bar : {bars.tlbAlbumFileBar, bars.tlbBasicBar, bars.tlbAlbumConfBar}) {
        for (QAction* a : bar->actions()) {
            if (a->isSeparator())
                continue;
            EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
            EXPECT_FALSE(a->icon().pixmap(20, 20).isNull()) << a->toolTip().toStdString();
            // The texts stay as the hints.
            EXPECT_FALSE(a->toolTip().isEmpty());
        }
    }
    QApplication::processEvents();
    // At the 600 px start width no bar hides buttons behind its extension arrow.
    for (QToolBar* bar : {bars.tlbAlbumFileBar, bars.tlbBasicBar, bars.tlbAlbumConfBar}) {
        const auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        ASSERT_NE(more, nullptr);
        EXPECT_FALSE(more->isVisible()) << bar->objectName().toStdString();
    }
}
