#include "app/Application.h"
#include "app/FormFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

using namespace folivex;

namespace {

class MainFormTest : public FormFixture {
protected:
    std::unique_ptr<TfrmFXMainForm> Create() { return CreateForm(false); }
    QString IniPath() const { return dir_.filePath(QStringLiteral("Folmo.INI")); }
};

} // namespace

TEST_F(MainFormTest, FirstStartOpensCentredWithDefaultsAndMakesTheWorkingFolders) {
    auto form = Create();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Folivex"));
    EXPECT_EQ(form->geometry(), QRect(212, 154, 600, 460));
    EXPECT_EQ(form->StatusPanelText(1), QStringLiteral("ｶﾚﾝﾄﾌｫﾙﾀﾞ:無し"));
    EXPECT_EQ(form->State().page.openMode, 1);
    EXPECT_EQ(form->State().page.splitMode, 0);
    EXPECT_EQ(form->State().pictureFolder, "OnDesk");
    EXPECT_EQ(form->State().coverMode, 2);
    EXPECT_DOUBLE_EQ(form->State().bookScale, 0.94);
    EXPECT_FALSE(form->ppmRAllDisp->isChecked());
    EXPECT_TRUE(QDir(dir_.filePath(QStringLiteral("AJVs"))).exists());
    EXPECT_TRUE(QDir(dir_.filePath(QStringLiteral("Cache"))).exists());
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_FALSE(QFile::exists(IniPath())) << "only closing writes the settings";
}

TEST_F(MainFormTest, ClosingWritesEveryKeyAndARestartReadsThemBack) {
    {
        auto form = Create();
        form->State().rate = 70;
        form->State().page.splitMode = 1;
        form->State().pictureFolder = "/home/u/写真/";
        form->show();
        form->close();
    }
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    for (const char* key :
         {"Current=", "Check=1", "Size=32", "Rate=70", "MaxOpen=0", "BStandFolder=", "OpenMode=1",
          "TextureFName=", "CoverColor=clWhite", "PageColor=clWhite", "ClearImage=0",
          "SpilitMode=1", "ACInterval=5", "SusieLoc=1", "ImgViewer=", "SCFolderHist5="})
        EXPECT_TRUE(text.contains(key)) << key;
    auto again = Create();
    EXPECT_EQ(again->State().rate, 70);
    EXPECT_EQ(again->State().page.splitMode, 1);
    EXPECT_EQ(again->State().pictureFolder, "/home/u/写真/");
}

TEST_F(MainFormTest, AMissingTextureIsReportedAndForgotten) {
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Conf]\r\nTextureFName=/nowhere/texture.bmp\r\nMaxOpen=1\r\n");
    ini.close();
    auto form = Create();
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, QStringLiteral("警告"));
    EXPECT_EQ(dialogs_.shown[0].text,
              QStringLiteral("指定された背景ファイルが見つかりません。デフォルトに戻します。"));
    EXPECT_TRUE(form->CurrentSettings().textureFName.empty());
    // The full-screen pop-up items carry the last run's state.
    EXPECT_TRUE(form->ppmRAllDisp->isChecked());
    EXPECT_TRUE(form->ppmLAllDisp->isChecked());
}

TEST_F(MainFormTest, ToolbarCaptionsFollowTheToggles) {
    auto form = Create();
    form->show();
    form->msiHideAllToolBarClick();
    EXPECT_FALSE(form->Bars().tlbBasicBar->isVisible());
    EXPECT_EQ(form->msiHideAllToolBar->text(), QStringLiteral("全てのﾂｰﾙﾊﾞｰを表示(&H)"));
    EXPECT_EQ(form->Bars().HideAllTag(), 1);
    form->msiHideBasicBarClick();
    EXPECT_TRUE(form->Bars().tlbBasicBar->isVisible());
    EXPECT_EQ(form->msiHideBasicBar->text(), QStringLiteral("基本ﾂｰﾙﾊﾞｰを隠す(&B)"));
    EXPECT_EQ(form->Bars().HideAllTag(), 1);
    form->msiHideAllToolBarClick();
    EXPECT_TRUE(form->Bars().tlbAlbumFileBar->isVisible());
    EXPECT_EQ(form->msiHideAlbumFileBar->text(), QStringLiteral("ｱﾙﾊﾞﾑﾂｰﾙﾊﾞｰを隠す(&F)"));
    EXPECT_EQ(form->Bars().HideAllTag(), 0);
}

// A box runs an event loop; what failed while it was open (a resize redrawing the broken
// spread, a broken thumbnail painted on the contents page) opened its box on top. Such
// reports wait for the box, whichever path they come by, and a text already shown or
// waiting is not shown again.
TEST(ErrorBoxTest, AReportWhileTheBoxIsOpenWaitsForItAndIsNotRepeated) {
    struct Reentering : ScriptedDialogs {
        int depth = 0, deepest = 0;
        void ErrorBox(const QString& text) override {
            ScriptedDialogs::ErrorBox(text);
            const struct Depth {
                Reentering& d;
                explicit Depth(Reentering& r) : d(r) { d.deepest = std::max(d.deepest, ++d.depth); }
                ~Depth() { --d.depth; }
            } inside(*this);
            if (shown.size() > 1)
                return;
            for (const char* again : {"JPEG ｴﾗｰ #120", "JPEG ｴﾗｰ #120", "other", "other"}) {
                Application::ReportError(std::runtime_error(again)); // a failed command
                ShowErrorBox(QString::fromUtf8(again));              // a thumbnail's paint
            }
        }
    } dialogs;
    SetAppDialogs(&dialogs);
    Application::ReportError(std::runtime_error("JPEG ｴﾗｰ #120"));
    Application::ReportError(std::runtime_error("JPEG ｴﾗｰ #120")); // a later one shows again
    SetAppDialogs(nullptr);
    EXPECT_EQ(dialogs.deepest, 1);
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("JPEG ｴﾗｰ #120"));
    EXPECT_EQ(dialogs.shown[1].text, QStringLiteral("other"));
    EXPECT_EQ(dialogs.shown[2].text, QStringLiteral("JPEG ｴﾗｰ #120"));
}
