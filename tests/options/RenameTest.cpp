// The rename dialog's checks, its read-only digit count, and the run it confirms: the
// summary box, the refusal of a taken name, the copies and the final count.
#include "options/Rename.h"
#include "ui/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
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
    QString output = "/out";
    bool Execute() override {
        edtTopStr->setText("IMG");
        edtEndStr->setText("_a");
        edtOutputFolder->setText(output);
        (confirm ? btnOK : btnCancel)->click();
        return result() == QDialog::Accepted;
    }
};

TEST_F(RenameTest, ConfirmedDialogAsksWithTheSummaryThenWritesOrRefuses) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("pics") && QDir(dir.path()).mkdir("out"));
    const QString out = dir.filePath("out");
    for (const char* name : {"p.JPG", "q.png"}) {
        QFile f(dir.filePath(QStringLiteral("pics/") + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(name);
    }
    state.pictureFolder = dir.filePath("pics").toStdString() + "/";
    state.albumTitle = "t";
    PictureList pictures;
    pictures.MutableAt(1) = {"p.JPG", "", ""};
    pictures.Append({"q.png", "", ""});
    const QString summary = "テスト\r\n"
                            "  先頭文字列IMG\r\n"
                            "  末尾文字列_a\r\n"
                            "  連番桁数  3\r\n"
                            "  連番増分  1\r\n"
                            "  出力先    " +
                            out + "\r\n\r\nこれらのファイルを書き出しますか?";
    struct Case {
        const char* what;
        bool yes;
        const char* taken; // a file already in the output folder
        QStringList kinds; // the boxes after the question
        QStringList files; // the output folder afterwards
    };
    const Case cases[] = {
        {"declined", false, nullptr, {}, {}},
        {"a name taken", true, "IMG002_a.png", {"警告はい"}, {"IMG002_a.png"}},
        {"written", true, nullptr, {"情報"}, {"IMG001_a.jpg", "IMG002_a.png", "t.ajv"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        if (c.taken) {
            QFile f(out + "/" + c.taken);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        dialogs.shown.clear();
        dialogs.confirmAnswers = {c.yes};
        UserRename user(state, settings);
        user.output = out;
        QStringList progress;
        ppmRenameClick(user, settings, state, pictures,
                       {[&progress](const QString& t) { progress << t; }, [] { return false; }});
        ASSERT_EQ(dialogs.shown.size(), 1u + c.kinds.size());
        EXPECT_EQ(dialogs.shown[0].kind, "確認");
        EXPECT_EQ(dialogs.shown[0].text, summary);
        for (qsizetype i = 0; i < c.kinds.size(); ++i)
            EXPECT_EQ(dialogs.shown[1 + i].kind, c.kinds[i]);
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), c.files);
        if (c.taken) {
            EXPECT_EQ(dialogs.shown[1].text,
                      out + "/" + c.taken + " は既にあります。ファイルは書き出しませんでした。");
        }
        if (c.kinds == QStringList{"情報"}) {
            EXPECT_EQ(dialogs.shown[1].text, "2 個のファイルを書き出しました。\r\n"
                                             "アルバムファイル: " +
                                                 out + "/t.ajv");
            EXPECT_EQ(progress,
                      (QStringList{"書き出し中 0/2 (Escで中止)", "書き出し中 1/2 (Escで中止)",
                                   "書き出し中 2/2 (Escで中止)"}));
        }
    }
    EXPECT_EQ(settings.RenameFigures, 3);
    EXPECT_EQ(settings.RenameStep, 1);
}

TEST_F(RenameTest, CancelShowsNothingAndKeepsSettings) {
    UserRename user(state, settings);
    user.confirm = false;
    ppmRenameClick(user, settings, state, PictureList{});
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(settings.RenameTopText.empty());
    EXPECT_EQ(user.edtTopStr->text(), "IMG"); // the fields keep what the user typed
}

} // namespace
