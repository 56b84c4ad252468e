// The album-file commands: loading into album viewing mode, closing, the save command
// with its dialog, questions, launchers and messages, and the two small commands.
#include "albumfile/AlbumCommands.h"
#include "core/IniFile.h"

#include "core/Error.h"
#include "core/TextCodec.h"
#include "ui/ScriptedDialogs.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace folivex {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A main window stand-in: the state it owns and a record of what the commands did.
struct Fixture : ::testing::Test {
    fs::path dir;
    ScriptedDialogs dialogs;
    AlbumState state;
    PictureList pictures;
    Settings settings;
    QAction sep1, ftvOpen, ajvClose, spbClose;
    QString caption, status;
    int treeWidth = -1, frontCovers = 0, viewPages = 0;
    std::string cacheFolder;
    std::unique_ptr<AlbumFileCommands> commands;

    void SetUp() override {
        static int counter = 0;
        dir = fs::temp_directory_path() /
              ("albumcmd-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(dir / "data/AJVs");
        SetAppDialogs(&dialogs);
        AlbumWindow window;
        window.setCaption = [this](const QString& c) { caption = c; };
        window.setStatusText = [this](const QString& s) { status = s; };
        window.setFolderTreeWidth = [this](int w) { treeWidth = w; };
        window.reloadThumbnailCache = [this](const std::string& f) { cacheFolder = f; };
        window.drawFrontCover = [this] { ++frontCovers; };
        window.showViewPage = [this] { ++viewPages; };
        window.msiSep1 = &sep1;
        window.msiFTVOpen = &ftvOpen;
        window.msiAJVClose = &ajvClose;
        window.spbClose = &spbClose;
        ftvOpen.setCheckable(true);
        commands = std::make_unique<AlbumFileCommands>(state, pictures, settings, nullptr,
                                                       AlbumPlaces{"/opt/folivex/folivex", Data()},
                                                       window, AlbumTextureHooks{});
        commands->SetVolumeLabelReader([](const std::string&) { return std::string("PHOTO"); });
    }
    void TearDown() override {
        commands.reset();
        SetAppDialogs(nullptr);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Data() const { return (dir / "data").string() + "/"; }
    std::string Album(const std::string& name) const { return Data() + "AJVs/" + name; }

    // Answers the save dialog as a user would: a name, a launcher choice, a picked folder.
    void AnswerDialog(QString name, int choice, QString picked = {}) {
        commands->SetSaveDialogRunner([=](SaveExchange& x) {
            x.saveNameText = name;
            x.shortcutChoice = choice;
            if (!picked.isEmpty()) {
                x.saveProposalText = picked;
                x.folderPicked = true;
            }
            return true;
        });
    }
    void Sample() {
        pictures.MutableAt(1) = {"a.jpg", "浜辺", "1"};
        state.albumTitle = "夏休み";
        state.pictureFolder = "/pics/summer/";
    }
};

TEST_F(Fixture, LoadingEntersAlbumViewingMode) {
    const std::string path = (dir / "a.ajv").string();
    std::ofstream(path, std::ios::binary)
        << "1\r\nx.jpg\r\n\r\n0\r\n1\r\n\r\n\r\n\r\n0\r\nT\r\n\r\n";
    ajvClose.setEnabled(false);
    EXPECT_EQ(commands->LoadAlbumFile(path), AlbumReadOutcome::Loaded);
    EXPECT_TRUE(state.albumViewingMode);
    EXPECT_EQ(caption, "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - T");
    EXPECT_EQ(status, QString::fromStdString("ｶﾚﾝﾄﾌｫﾙﾀﾞ:" + dir.string() + "/"));
    EXPECT_EQ(cacheFolder, dir.string() + "/");
    EXPECT_EQ(treeWidth, 0);
    EXPECT_FALSE(sep1.isVisible());
    EXPECT_FALSE(ftvOpen.isVisible());
    EXPECT_FALSE(ftvOpen.isChecked());
    EXPECT_TRUE(ajvClose.isEnabled());
    EXPECT_TRUE(spbClose.isEnabled());

    commands->msiAJVCloseClick();
    EXPECT_FALSE(state.albumViewingMode);
    EXPECT_EQ(caption, "Folivex - T");
    EXPECT_EQ(treeWidth, 180);
    EXPECT_TRUE(sep1.isVisible());
    EXPECT_TRUE(ftvOpen.isChecked());
    EXPECT_FALSE(ajvClose.isEnabled());
    EXPECT_EQ(pictures.FileName(1), "x.jpg");
}

TEST_F(Fixture, BadFilesWarnOrRaiseWithoutEnteringTheMode) {
    const std::string path = (dir / "b.ajv").string();
    std::ofstream(path, std::ios::binary) << "0\r\n0\r\n1\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
    EXPECT_EQ(commands->LoadAlbumFile(path), AlbumReadOutcome::FolderLineEmpty);
    EXPECT_EQ(dialogs.LastText(), "画像情報ファイルが不正です。");
    EXPECT_EQ(dialogs.shown.back().kind, "警告");
    EXPECT_FALSE(state.albumViewingMode);
    EXPECT_TRUE(caption.isEmpty());

    try {
        commands->LoadAlbumFile((dir / "gone.ajv").string());
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + (dir / "gone.ajv").string() + " は開けません");
    }
}

TEST_F(Fixture, OpenCommandShowsTheCoverEvenWhenCancelled) {
    state.page.currentPage = 5;
    commands->msiAJVOpenClick();
    EXPECT_EQ(dialogs.shown.back().text,
              QString::fromStdString(Data() + "AJVs|設定ﾌｧｲﾙ(*.ajv)|*.ajv"));
    EXPECT_EQ(state.page.currentPage, 0);
    EXPECT_EQ(state.activeView, -1);
    EXPECT_EQ(viewPages, 1);
}

// The open dialog starts in "CurrentFolder" + "AJVs"; adding pictures stores their folder
// there, which has none, and the dialog then starts in the program's album folder.
TEST_F(Fixture, OpenDialogStartsInAnAlbumFolderThatExists) {
    const std::string pictures = (dir / "pictures").string(), other = (dir / "other").string();
    fs::create_directories(pictures);
    fs::create_directories(other + "/AJVs");
    IniFile ini((dir / "Folmo.INI").string());
    AlbumFileCommands open(state, this->pictures, settings, &ini,
                           AlbumPlaces{"/opt/folivex/folivex", Data()}, AlbumWindow{},
                           AlbumTextureHooks{});
    const struct {
        std::string current, start;
    } cases[] = {
        {"", Data() + "AJVs"}, // no key: the program's folder
        {pictures + "/", Data() + "AJVs"},
        {other + "/", other + "/AJVs"},
    };
    for (const auto& c : cases) {
        if (!c.current.empty())
            ini.WriteString("Folder", "CurrentFolder", c.current);
        open.msiAJVOpenClick();
        EXPECT_EQ(dialogs.shown.back().text,
                  QString::fromStdString(c.start + "|設定ﾌｧｲﾙ(*.ajv)|*.ajv"))
            << c.current;
    }
}

TEST_F(Fixture, SaveWithProposedNameWritesTheAlbumAndReports) {
    Sample();
    state.coverMode = 2;
    AnswerDialog("", 0);
    commands->msiMkAJVClick();
    EXPECT_EQ(state.coverMode, 0);
    const fs::path written = Album("PHOTOpicssummer.ajv");
    EXPECT_EQ(Slurp(written), EncodeFileText(BuildAlbumText(state, pictures)));
    EXPECT_EQ(dialogs.shown.back().kind, "確認OK");
    EXPECT_EQ(dialogs.LastText(),
              QString::fromStdString(Data() + "AJVs/に\r\nPHOTOpicssummer.ajvといアルバムファイルを"
                                              "保存しました。"));
    EXPECT_EQ(commands->Exchange().saveNameText, "");
}

TEST_F(Fixture, CancelAndUnusableNamesWriteNothing) {
    Sample();
    state.coverMode = 2;
    commands->SetSaveDialogRunner([](SaveExchange&) { return false; });
    commands->msiMkAJVClick();
    EXPECT_EQ(state.coverMode, 0); // changed before the dialog, kept after cancel
    for (const char* bad : {"../evil", "a/b", ".", ".."}) {
        AnswerDialog(bad, 0);
        commands->msiMkAJVClick();
        EXPECT_EQ(dialogs.shown.back().kind, "警告") << bad;
        EXPECT_TRUE(dialogs.LastText().contains(bad));
    }
    EXPECT_TRUE(fs::is_empty(dir / "data/AJVs"));
    EXPECT_FALSE(fs::exists(dir / "evil.ajv"));
}

TEST_F(Fixture, OverwriteQuestionDecides) {
    Sample();
    std::ofstream(Album("x.ajv")) << "old";
    AnswerDialog("x", 0);
    dialogs.confirmAnswers = {false};
    commands->msiMkAJVClick();
    EXPECT_EQ(dialogs.LastText(), "同じ名前のアルバムファイルがあります。\r\n上書きしますか？");
    EXPECT_EQ(Slurp(Album("x.ajv")), "old");
    dialogs.confirmAnswers = {true};
    commands->msiMkAJVClick();
    EXPECT_NE(Slurp(Album("x.ajv")), "old");
}

TEST_F(Fixture, LauncherInTheSettingsFolderGainsTheSlash) {
    Sample();
    fs::create_directories(dir / "Links");
    settings.shortcutFolder = (dir / "Links").string();
    AnswerDialog("x", 1);
    commands->msiMkAJVClick();
    EXPECT_EQ(settings.shortcutFolder, (dir / "Links").string() + "/");
    EXPECT_TRUE(fs::exists(dir / "Links/夏休み.desktop"));
    EXPECT_EQ(
        dialogs.LastText(),
        QString::fromStdString(Data() +
                               "AJVs/フォルダに\r\nx.ajvアルバムファイルを保存しました。"
                               "\r\nまた" +
                               (dir / "Links").string() +
                               "/フォルダに\r\n夏休み.desktopショートカットを保存しました。"));
}

TEST_F(Fixture, LauncherQuestionNoEndsQuietly) {
    Sample();
    fs::create_directories(dir / "Links");
    settings.shortcutFolder = (dir / "Links").string() + "/";
    std::ofstream(dir / "Links/夏休み.desktop") << "mine";
    AnswerDialog("x", 1);
    dialogs.confirmAnswers = {false};
    commands->msiMkAJVClick();
    EXPECT_EQ(dialogs.LastText(), "同じ名前のショートカットがあります。\r\n上書きしますか？");
    EXPECT_EQ(Slurp(dir / "Links/夏休み.desktop"), "mine");
    EXPECT_TRUE(fs::exists(Album("x.ajv")));
}

TEST_F(Fixture, PickedFolderBecomesTheSettingAndMissingFoldersAreAskedFor) {
    Sample();
    fs::create_directories(dir / "E");
    AnswerDialog("x", 2, QString::fromStdString((dir / "E").string()));
    commands->msiMkAJVClick();
    EXPECT_EQ(settings.shortcutFolder, (dir / "E").string() + "/");
    EXPECT_TRUE(fs::exists(dir / "E/夏休み.desktop"));

    // Choice 2 without a picked folder, then choice 1 without a setting: the chooser asks;
    // cancelling keeps the album and skips the launcher.
    for (int choice : {2, 1}) {
        settings.shortcutFolder.clear();
        AnswerDialog("y", choice);
        commands->msiMkAJVClick();
        EXPECT_TRUE(fs::exists(Album("y.ajv")));
        EXPECT_TRUE(dialogs.LastText().endsWith("といアルバムファイルを保存しました。"));
        EXPECT_TRUE(std::any_of(dialogs.shown.begin(), dialogs.shown.end(),
                                [](const auto& s) { return s.kind == "folder"; }));
        dialogs.shown.clear();
    }
    fs::create_directories(dir / "F");
    dialogs.folderAnswers = {QString::fromStdString((dir / "F").string())};
    AnswerDialog("y", 1);
    commands->msiMkAJVClick();
    EXPECT_EQ(settings.shortcutFolder, (dir / "F").string() + "/");
    EXPECT_TRUE(fs::exists(dir / "F/夏休み.desktop"));
}

// The dialog keeps choice 2 and the folder it picked from one save to the next; the
// second save puts its launcher there without asking again.
TEST_F(Fixture, ASecondSaveWithChoice2UsesTheFolderTheDialogStillShows) {
    Sample();
    fs::create_directories(dir / "E");
    const std::string launcher = (dir / "E/夏休み.desktop").string();
    TdlgSaveInfo& dlg = commands->SaveDialog();
    bool first = true;
    commands->SetSaveDialogRunner([&](SaveExchange&) {
        dlg.FormShow();
        if (first) {
            dlg.rdgItems[2]->click();
            dialogs.folderAnswers = {QString::fromStdString((dir / "E").string())};
            dlg.btnMkSCutFolderSelect->click();
            first = false;
        }
        dlg.edtFileName->setText(first ? "x" : "y");
        dlg.OKBtn->click();
        return true;
    });
    commands->msiMkAJVClick();
    ASSERT_TRUE(fs::exists(launcher));
    fs::remove(launcher);
    settings.shortcutFolder = "/elsewhere/";
    dialogs.shown.clear();

    commands->msiMkAJVClick();
    EXPECT_TRUE(fs::exists(launcher));
    EXPECT_TRUE(std::none_of(dialogs.shown.begin(), dialogs.shown.end(),
                             [](const auto& s) { return s.kind == "folder"; }));
    EXPECT_EQ(settings.shortcutFolder, (dir / "E").string() + "/");
}

TEST_F(Fixture, LauncherThatCannotBeWrittenIsReported) {
    Sample();
    state.albumTitle = "a/b";
    settings.shortcutFolder = (dir / "missing").string() + "/";
    AnswerDialog("x", 1);
    commands->msiMkAJVClick();
    const QString launcher = QString::fromStdString((dir / "missing/a_b.desktop").string());
    ASSERT_GE(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[dialogs.shown.size() - 2].kind, "警告");
    EXPECT_EQ(dialogs.shown[dialogs.shown.size() - 2].text,
              "ﾌｧｲﾙ " + launcher + " を作成できません");
    EXPECT_TRUE(dialogs.LastText().endsWith("といアルバムファイルを保存しました。"));
}

TEST_F(Fixture, SaveDialogTextsChoicesAndKeptState) {
    settings.shortcutFolder = "/links/";
    TdlgSaveInfo& dlg = commands->SaveDialog();
    EXPECT_EQ(dlg.windowTitle(), "確認");
    EXPECT_EQ(dlg.size(), QSize(482, 409));
    EXPECT_EQ(dlg.rdgMkShortCut->title(), "ショートカットの作成(オプション)");
    EXPECT_EQ(dlg.CancelBtn->text(), "ｷｬﾝｾﾙ");
    EXPECT_EQ(dlg.ItemIndex(), 0);
    EXPECT_FALSE(dlg.btnMkSCutFolderSelect->isEnabled());

    SaveExchange& x = commands->Exchange();
    x.saveNameText = "/data/";
    x.saveProposalText = "PHOTOpics";
    dlg.FormShow();
    EXPECT_EQ(dlg.memInfo1->toPlainText(),
              "現在の Folivexの設定情報(目次、コメント、その他)が\n\n『/data/AJVs/』フォルダに\n"
              "『PHOTOpics.ajv』\n\nというファイル名で保存されます。\n"
              "ファイル名を変更したい場合には、下のテキストボックスで指定してください。");
    EXPECT_EQ(dlg.edtFileName->text(), "PHOTOpics");

    dlg.rdgItems[1]->click();
    EXPECT_EQ(dlg.sttMkSCutFolder->text(), "/links/");
    dlg.rdgItems[2]->click();
    EXPECT_TRUE(dlg.btnMkSCutFolderSelect->isEnabled());
    EXPECT_TRUE(dlg.sttMkSCutFolder->text().isEmpty());
    dialogs.folderAnswers = {"/picked"};
    dlg.btnMkSCutFolderSelect->click();
    EXPECT_EQ(x.saveProposalText, "/picked");
    EXPECT_TRUE(x.folderPicked);
    EXPECT_EQ(dlg.sttMkSCutFolder->text(), "/picked");

    dlg.edtFileName->setText(" \tmy album \n");
    dlg.OKBtn->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(x.saveNameText, "my album");
    EXPECT_EQ(x.shortcutChoice, 2);

    dlg.FormShow(); // the next save finds the last choice still selected
    EXPECT_EQ(dlg.ItemIndex(), 2);
    EXPECT_EQ(dlg.sttMkSCutFolder->text(), "/picked");
}

TEST_F(Fixture, ViewFolderAndTitleCommands) {
    QUrl opened;
    commands->SetUrlOpener([&](const QUrl& u) {
        opened = u;
        return true;
    });
    commands->spbViewFolderClick();
    EXPECT_EQ(dialogs.shown.back().kind, "警告");
    EXPECT_TRUE(dialogs.LastText().startsWith("ショートカットの作成先が設定されていません。\r\n"));
    EXPECT_TRUE(opened.isEmpty());
    settings.shortcutFolder = "/home/u/リンク/";
    commands->spbViewFolderClick();
    EXPECT_EQ(opened, QUrl::fromLocalFile("/home/u/リンク/"));

    state.albumTitle = "old";
    state.albumViewingMode = true;
    dialogs.inputAnswers = {QString("新しい")};
    commands->spbWriteTitleClick();
    EXPECT_EQ(dialogs.shown.back().text, "タイトルの変更|タイトルを入力してください");
    EXPECT_EQ(state.albumTitle, "新しい");
    EXPECT_EQ(caption, "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 新しい");
    EXPECT_EQ(frontCovers, 1);

    state.albumViewingMode = false;
    state.page.currentPage = 3;
    commands->spbWriteTitleClick(); // cancelled: title kept, caption still refreshed
    EXPECT_EQ(state.albumTitle, "新しい");
    EXPECT_EQ(caption, "Folivex - 新しい");
    EXPECT_EQ(frontCovers, 1);
    dialogs.inputAnswers = {QString()};
    commands->spbWriteTitleClick();
    EXPECT_EQ(state.albumTitle, "");
}

} // namespace
} // namespace folivex
