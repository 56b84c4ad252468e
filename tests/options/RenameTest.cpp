// The rename dialog's checks, its read-only digit count, and the summary box.
#include "options/Rename.h"
#include "ui/ScriptedDialogs.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace folivex;

namespace {

class RenameTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppDialogs(&dialogs);
        state.pictureFolder = "/pics/";
    }
    void TearDown() override { SetAppDialogs(nullptr); }

    ScriptedDialogs dialogs;
    AlbumState state;
    RenameSettings settings;
    TfrmRename dlg{state, settings};
};

TEST_F(RenameTest, DigitCountOnlyBeeps) {
    QSignalSpy beeps(dlg.speNumFig, &BeepSpinBox::beeped);
    dlg.show();
    dlg.speNumFig->stepUp();
    dlg.speNumFig->stepDown();
    QTest::keyClick(dlg.speNumFig, Qt::Key_Up);
    QTest::keyClicks(dlg.speNumFig, "7");
    EXPECT_EQ(dlg.speNumFig->value(), 3);
    EXPECT_EQ(beeps.count(), 3);
    EXPECT_EQ(dlg.speNumInc->minimum(), 1);
    EXPECT_EQ(dlg.speNumInc->maximum(), 1000);
}

TEST_F(RenameTest, OkChecksTheOutputFolder) {
    struct Case {
        std::string pictureFolder;
        QString output;
        QString warning; // empty: accepted
    };
    const QString none = "出力先フォルダが指定されていません。";
    const QString same = "現在読み込んでいる画像のあるフォルダには出力できません。";
    const Case cases[] = {{"/pics/", "", none},
                          {"/pics/", "/pics", same},
                          {"/", "/", same},
                          {"/pics/", "/Pics", ""},
                          {"/pics/", "/out", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output.toStdString());
        state.pictureFolder = c.pictureFolder;
        settings = RenameSettings{};
        dialogs.shown.clear();
        dlg.setResult(QDialog::Rejected);
        dlg.edtOutputFolder->setText(c.output);
        dlg.btnOK->click();
        if (c.warning.isEmpty()) {
            EXPECT_TRUE(dialogs.shown.empty());
            EXPECT_EQ(dlg.result(), QDialog::Accepted);
            EXPECT_EQ(settings.RenameOutputFolder, c.output.toStdString());
        } else {
            ASSERT_EQ(dialogs.shown.size(), 1u);
            EXPECT_EQ(dialogs.shown[0].kind, "警告はい");
            EXPECT_EQ(dialogs.shown[0].text, c.warning);
            EXPECT_EQ(dlg.result(), QDialog::Rejected);
            EXPECT_EQ(dlg.edtOutputFolder->text(), c.output);
            EXPECT_TRUE(settings.RenameOutputFolder.empty());
        }
    }
}

TEST_F(RenameTest, CancelledFolderChooserEmptiesTheField) {
    dialogs.folderAnswers = {"/out"};
    dlg.btnOFolderSelect->click();
    EXPECT_EQ(dlg.edtOutputFolder->text(), "/out");
    dlg.btnOFolderSelect->click();
    EXPECT_EQ(dlg.edtOutputFolder->text(), "");
}

// Stands for the user: fills the fields and presses a button instead of running a loop.
class UserRename : public TfrmRename {
public:
    using TfrmRename::TfrmRename;
    bool confirm = true;
    bool Execute() override {
        edtTopStr->setText("IMG");
        edtEndStr->setText("_a");
        edtOutputFolder->setText("/out");
        (confirm ? btnOK : btnCancel)->click();
        return result() == QDialog::Accepted;
    }
};

TEST_F(RenameTest, ConfirmedDialogShowsTheSixLineSummary) {
    UserRename user(state, settings);
    ppmRenameClick(user, settings);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "警告はい");
    EXPECT_EQ(dialogs.shown[0].text, "テスト\r\n"
                                     "  先頭文字列IMG\r\n"
                                     "  末尾文字列_a\r\n"
                                     "  連番桁数  3\r\n"
                                     "  連番増分  1\r\n"
                                     "  出力先    /out");
    EXPECT_EQ(settings.RenameFigures, 3);
    EXPECT_EQ(settings.RenameStep, 1);
}

TEST_F(RenameTest, CancelShowsNothingAndKeepsSettings) {
    UserRename user(state, settings);
    user.confirm = false;
    ppmRenameClick(user, settings);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(settings.RenameTopText.empty());
    EXPECT_EQ(user.edtTopStr->text(), "IMG"); // the fields keep what the user typed
}

} // namespace
