// The options dialog driven as a user would: history moves, spin box bounds, the texture
// and colour choosers, and what "OK" and "ｷｬﾝｾﾙ" leave in the main window's state.
#include "options/OptionDlg.h"
#include "core/Error.h"
#include "ui/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace folivex;

namespace {

QImage Solid(QColor c) {
    QImage img(4, 4, QImage::Format_RGB888);
    img.fill(c);
    return img;
}

// What a real double click delivers: press, release, the double-click press, release.
void DoubleClick(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton);
    QTest::mouseDClick(w, Qt::LeftButton);
    QTest::mouseRelease(w, Qt::LeftButton);
}

class OptionDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppDialogs(&dialogs);
        state.pictureFolder = "/pics/";
        settings.shortcutFolderHistory = {"A", "B", "C", "D", "E"};
    }
    void TearDown() override { SetAppDialogs(nullptr); }

    std::string History() const {
        std::string out;
        for (const auto& h : settings.shortcutFolderHistory)
            out += (out.empty() ? "" : ",") + h;
        return out;
    }

    ScriptedDialogs dialogs;
    Settings settings;
    AlbumState state;
    QImage texture = Solid(Qt::blue);
    TfrmOptionDlg dlg{settings, state, texture};
};

TEST_F(OptionDlgTest, ShortcutHistoryMovesAtOnceAndCancelKeepsIt) {
    struct Case {
        const char* name;
        std::function<void(TfrmOptionDlg&, ScriptedDialogs&)> act;
        std::string history;
    };
    const Case cases[] = {
        {"choose C in the list",
         [](TfrmOptionDlg& d, ScriptedDialogs&) { emit d.cbxBookStand->activated(2); },
         "C,A,B,C,D"},
        {"choose the last entry",
         [](TfrmOptionDlg& d, ScriptedDialogs&) { emit d.cbxBookStand->activated(4); },
         "E,A,B,C,D"},
        {"browse for F",
         [](TfrmOptionDlg& d, ScriptedDialogs& s) {
             s.folderAnswers.push_back("F");
             d.btnBStandSelect->click();
         },
         "F,A,B,C,D"},
        {"browse cancelled", [](TfrmOptionDlg& d, ScriptedDialogs&) { d.btnBStandSelect->click(); },
         "A,B,C,D,E"},
        {"choose the first entry",
         [](TfrmOptionDlg& d, ScriptedDialogs&) { emit d.cbxBookStand->activated(0); },
         "A,B,C,D,E"},
        {"type a folder",
         [](TfrmOptionDlg& d, ScriptedDialogs&) { d.cbxBookStand->setEditText("typed"); },
         "A,B,C,D,E"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.shortcutFolderHistory = {"A", "B", "C", "D", "E"};
        dlg.FormShow();
        c.act(dlg, dialogs);
        dlg.reject();
        EXPECT_EQ(History(), c.history);
        ASSERT_EQ(dlg.cbxBookStand->count(), 5);
        if (std::string(c.name) != "type a folder") {
            EXPECT_EQ(dlg.cbxBookStand->currentText().toStdString(), c.history.substr(0, 1));
        }
    }
}

TEST_F(OptionDlgTest, OkStoresTheComboTextAsShortcutFolder) {
    dlg.FormShow();
    EXPECT_EQ(dlg.cbxBookStand->currentText(), "A");
    dlg.cbxBookStand->setEditText("/home/me/albums");
    dlg.OKBtnClick();
    EXPECT_EQ(settings.shortcutFolder, "/home/me/albums");
    EXPECT_EQ(History(), "A,B,C,D,E");
}

TEST_F(OptionDlgTest, SpinBoxesHoldStoredValuesWithinTheirBounds) {
    struct Case {
        int rate, thumb, interval;
        int wantRate, wantThumb, wantInterval;
    };
    const Case cases[] = {{85, 32, 5, 85, 32, 5},
                          {50, 8, 0, 70, 16, 0},
                          {99, 300, -3, 95, 256, 0},
                          {72, 16, 2000000000, 72, 16, kMaxInterval}};
    for (const Case& c : cases) {
        state.rate = c.rate;
        settings.thumbnailSize = c.thumb;
        state.acInterval = c.interval;
        dlg.FormShow();
        dlg.OKBtnClick();
        EXPECT_EQ(state.rate, c.wantRate);
        EXPECT_EQ(settings.thumbnailSize, c.wantThumb);
        EXPECT_EQ(state.acInterval, c.wantInterval);
    }
}

TEST_F(OptionDlgTest, PageRatioStepsByFiveBetweenSeventyAndNinetyFive) {
    dlg.FormShow();
    EXPECT_EQ(dlg.speRate->value(), 85);
    std::vector<int> seen;
    for (int i = 0; i < 3; ++i) {
        dlg.speRate->stepUp();
        seen.push_back(dlg.speRate->value());
    }
    EXPECT_EQ(seen, (std::vector<int>{90, 95, 95}));
    seen.clear();
    for (int i = 0; i < 6; ++i) {
        dlg.speRate->stepDown();
        seen.push_back(dlg.speRate->value());
    }
    EXPECT_EQ(seen, (std::vector<int>{90, 85, 80, 75, 70, 70}));
}

TEST_F(OptionDlgTest, ThumbnailSizeTakesArrowsButNotTyping) {
    dlg.FormShow();
    dlg.show();
    QTest::keyClicks(dlg.speThumSize, "99");
    EXPECT_EQ(dlg.speThumSize->value(), 32);
    QTest::keyClick(dlg.speThumSize, Qt::Key_Up);
    EXPECT_EQ(dlg.speThumSize->value(), 33);
}

TEST_F(OptionDlgTest, CoverChoicesFollowAlbumViewingMode) {
    dlg.FormShow();
    ASSERT_EQ(dlg.rdgCoverConf->ItemCount(), 3);
    EXPECT_EQ(dlg.rdgCoverConf->ItemText(2), "表紙にフォルダ名を表示");
    EXPECT_TRUE(dlg.btnRef->isEnabled()); // mode 2 selected
    dlg.rdgCoverConf->Button(0)->click();
    EXPECT_FALSE(dlg.btnRef->isEnabled());
    dlg.rdgCoverConf->Button(2)->click();
    EXPECT_TRUE(dlg.btnRef->isEnabled());
    EXPECT_FALSE(dlg.edtTitlePic->isEnabled());

    // In an album the folder-name cover is not offered; a mode it does not show survives OK.
    state.albumViewingMode = true;
    settings.susieLoc = 7;
    dlg.FormShow();
    EXPECT_EQ(dlg.rdgCoverConf->ItemCount(), 2);
    EXPECT_EQ(dlg.rdgCoverConf->ItemIndex(), -1);
    dlg.OKBtnClick();
    EXPECT_EQ(state.coverMode, 2);
    EXPECT_EQ(settings.susieLoc, 7);
}

TEST_F(OptionDlgTest, CoverPictureKeepsOnlyTheFileName) {
    dlg.SetPictureFilter([] { return QString("JPEG|*.jpg|"); });
    dialogs.fileAnswers.push_back("/pics/sub/cover.jpg");
    dlg.FormShow();
    dlg.rdgCoverConf->SetItemIndex(1);
    dlg.btnRef->click();
    EXPECT_EQ(dialogs.LastText(), "/pics/|JPEG|*.jpg|");
    EXPECT_EQ(dlg.edtTitlePic->text(), "cover.jpg");
    dlg.OKBtnClick();
    EXPECT_EQ(state.coverPicture, "cover.jpg");
    EXPECT_EQ(state.coverMode, 1);
}

TEST_F(OptionDlgTest, ViewerChooserTakesOnlyExecutables) {
    QTemporaryDir dir;
    const QString program = dir.filePath("viewer"), text = dir.filePath("notes");
    for (const QString& f : {program, text}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    dlg.FormShow();
    dialogs.fileAnswers = {program, text};
    dlg.btnImgViewerSelect->click();
    EXPECT_EQ(dialogs.LastText(), "/pics/|実行形式(*)|*");
    EXPECT_EQ(dlg.edtImgViewer->text(), program);
    dlg.btnImgViewerSelect->click();
    EXPECT_EQ(dialogs.shown.back().kind, "警告");
    EXPECT_EQ(dialogs.LastText(), text + " は実行形式ではありません");
    EXPECT_EQ(dlg.edtImgViewer->text(), program);
    dlg.OKBtnClick();
    EXPECT_EQ(settings.imgViewer, program.toStdString());
}

TEST_F(OptionDlgTest, TextureFileNameIsStoredAtOnceButThePictureOnlyOnOk) {
    QTemporaryDir dir;
    const QString bmp = dir.filePath("wood.bmp");
    ASSERT_TRUE(Solid(Qt::red).save(bmp, "BMP"));
    dialogs.fileAnswers = {bmp};
    dlg.FormShow();
    dlg.show();
    dlg.tabs->setCurrentIndex(2);
    DoubleClick(dlg.imgBaseTexture);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.LastText(), "/pics/|実行形式(*.bmp)|*.bmp");
    EXPECT_EQ(settings.textureFName, bmp.toStdString());
    EXPECT_EQ(dlg.TexturePicture().pixelColor(0, 0), QColor(Qt::red));

    dlg.CancelBtn->click();
    EXPECT_EQ(texture.pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(settings.textureFName, bmp.toStdString());

    // Shown again, the dialog starts from the main window's picture; OK takes the new one.
    dialogs.fileAnswers = {bmp};
    dlg.FormShow();
    EXPECT_EQ(dlg.TexturePicture().pixelColor(0, 0), QColor(Qt::blue));
    dlg.imgBaseTextureClick();
    dlg.OKBtnClick();
    EXPECT_EQ(texture.pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(OptionDlgTest, UnreadableTextureRaisesAndChangesNothing) {
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.bmp");
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM not a bitmap at all");
    }
    settings.textureFName = "/old.bmp";
    dlg.FormShow();
    struct Case {
        QString file;
        std::string message;
    };
    for (const Case& c :
         {Case{bad, "認識できない画像形式です"},
          Case{dir.filePath("gone.bmp"),
               "ﾌｧｲﾙ " + dir.filePath("gone.bmp").toStdString() + " は開けません"}}) {
        dialogs.fileAnswers = {c.file};
        try {
            dlg.imgBaseTextureClick();
            ADD_FAILURE() << "no error for " << c.file.toStdString();
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        EXPECT_EQ(settings.textureFName, "/old.bmp");
        EXPECT_EQ(dlg.TexturePicture().pixelColor(0, 0), QColor(Qt::blue));
    }
}

TEST_F(OptionDlgTest, ColourPanelsAnswerSingleAndDoubleClicksOnce) {
    state.coverColor = "clBtnFace"; // a system colour survives OK when left alone
    dlg.FormShow();
    dlg.show();
    dlg.tabs->setCurrentIndex(2);
    dialogs.colorAnswers = {QColor(0x56, 0x34, 0x12)};
    DoubleClick(dlg.pnlPageColor);
    QTest::mouseClick(dlg.pnlCoverColor, Qt::LeftButton); // cancelled
    EXPECT_EQ(std::count_if(dialogs.shown.begin(), dialogs.shown.end(),
                            [](const auto& s) { return s.kind == "color"; }),
              2);
    EXPECT_EQ(dlg.pnlPageColor->palette().color(QPalette::Window), QColor(0x56, 0x34, 0x12));
    dlg.OKBtnClick();
    EXPECT_EQ(state.pageColor, "$00123456");
    EXPECT_EQ(state.coverColor, "clBtnFace");

    dialogs.colorAnswers = {QColor(255, 0, 0)};
    dlg.FormShow();
    dlg.pnlCoverColorClick();
    dlg.OKBtnClick();
    EXPECT_EQ(state.coverColor, "clRed");
}

TEST_F(OptionDlgTest, ColourTextThatIsNoColourRaisesBeforeShowing) {
    state.pageColor = "pink";
    try {
        dlg.FormShow();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'pink' は整数ではありません");
    }
}

TEST_F(OptionDlgTest, OkCopiesEveryValueBackAndTheBookClosesToItsCover) {
    state.page.currentPage = 7;
    dlg.FormShow();
    EXPECT_EQ(dlg.rdgSpilitMode->ItemIndex(), 0);
    EXPECT_EQ(dlg.rdgOpenMode->ItemIndex(), 1);
    EXPECT_EQ(dlg.rdgSusieLocation->ItemIndex(), 1);
    EXPECT_TRUE(dlg.cbxThum->isChecked());

    dlg.rdgSpilitMode->Button(1)->click();
    dlg.rdgOpenMode->Button(0)->click();
    dlg.rdgCoverConf->Button(0)->click();
    dlg.rdgSusieLocation->Button(2)->click();
    dlg.ckbClearImage->setChecked(true);
    dlg.cbxThum->setChecked(false);
    dlg.speACInterval->setValue(9);
    dlg.OKBtn->click();

    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(state.page.splitMode, 1);
    EXPECT_EQ(state.page.openMode, 0);
    EXPECT_EQ(state.coverMode, 0);
    EXPECT_EQ(settings.susieLoc, 2);
    EXPECT_TRUE(state.clearImage);
    EXPECT_FALSE(settings.thumbnails);
    EXPECT_EQ(state.acInterval, 9);

    const ModeButtonChecks checks = OptionsAccepted(state);
    EXPECT_TRUE(state.page.IsFrontCover());
    EXPECT_TRUE(checks.fourSplit);
    EXPECT_FALSE(checks.rightOpen);
    EXPECT_TRUE(checks.clearImage);
}

TEST_F(OptionDlgTest, CancelLeavesTheMainWindowAlone) {
    dlg.FormShow();
    dlg.rdgSpilitMode->Button(1)->click();
    dlg.speRate->setValue(70);
    dlg.CancelBtn->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(state.page.splitMode, 0);
    EXPECT_EQ(state.rate, 85);
}

} // namespace

// The interface language: the box shows the stored choice and OK stores the one picked;
// a value the box does not offer (a hand-edited file) survives a dialog left alone.
TEST_F(OptionDlgTest, LanguageChoiceIsStoredForTheNextStart) {
    const struct {
        int stored, picked, expected;
    } cases[] = {{0, 2, 2}, {2, 1, 1}, {1, 0, 0}, {2, -1, 2}, {9, -1, 9}, {9, 1, 1}};
    for (const auto& c : cases) {
        settings.language = c.stored;
        dlg.FormShow();
        EXPECT_EQ(dlg.cbxLanguage->currentIndex(), c.stored <= 2 ? c.stored : 0);
        ASSERT_EQ(dlg.cbxLanguage->count(), 3);
        EXPECT_EQ(dlg.cbxLanguage->itemText(0), QStringLiteral("自動"));
        EXPECT_EQ(dlg.cbxLanguage->itemText(1), QStringLiteral("日本語"));
        EXPECT_EQ(dlg.cbxLanguage->itemText(2), QStringLiteral("English"));
        if (c.picked >= 0)
            dlg.cbxLanguage->setCurrentIndex(c.picked);
        dlg.OKBtnClick();
        EXPECT_EQ(settings.language, c.expected) << c.stored << " " << c.picked;
    }
}
