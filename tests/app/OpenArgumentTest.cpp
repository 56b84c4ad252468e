// Folders and pictures on the command line and from a second start; paths that are
// none of the things the program opens.
#include "FormFixture.h"

#include "contents/ContentsPage.h"
#include "view/Navigator.h"
#include "view/PageImage.h"

#include <QApplication>
#include <QStackedWidget>
#include <QTimer>

#include <filesystem>
#include <fstream>

namespace folivex {
namespace {

class OpenArgumentTest : public FormFixture {
protected:
    // The sample pictures copied into a folder of our own, so nothing else lists it.
    std::string CopySample() {
        const std::string folder = dir_.path().toStdString() + "/旅";
        std::filesystem::create_directories(folder);
        for (int i = 1; i <= 12; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "IMG%03d.JPG", i);
            std::filesystem::copy_file(std::string(FOLIVEX_SAMPLE_DIR "/") + name,
                                       folder + "/" + name);
        }
        return folder;
    }
    std::unique_ptr<TfrmFXMainForm> StartWith(const std::string& argument) {
        MainFormOptions o;
        o.programFolder = o.dataFolder = dir_.path() + QLatin1Char('/');
        o.arguments = {QString::fromStdString(argument)};
        auto form = std::make_unique<TfrmFXMainForm>(o);
        form->FormCreate();
        form->show();
        QApplication::processEvents();
        return form;
    }
};

TEST_F(OpenArgumentTest, AFolderOpensClosedAndAPictureAtItsSpread) {
    const std::string folder = CopySample();
    auto form = StartWith(folder);
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(form->State().pictureFolder, folder + "/");
    EXPECT_EQ(form->RowCount(), 13);
    EXPECT_FALSE(form->State().albumViewingMode);
    EXPECT_EQ(form->State().page.currentPage, 0);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Folivex - 旅"));

    // The same from a second start, with a picture: the spread that shows it.
    form->ReceiveForwarded(QString::fromStdString(folder + "/IMG007.JPG"));
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_EQ(form->State().page.currentPage, form->State().page.SnapToSpread(7));
    EXPECT_GT(form->State().page.currentPage, 0);
    // Laid out as an open book: two pages of one width side by side, each holding its
    // drawn page, not the closed book's cover and strip.
    EXPECT_EQ(form->imgLeftPage->width(), form->imgRightPage->width());
    EXPECT_EQ(form->imgRightPage->x(), form->imgLeftPage->width());
    EXPECT_EQ(form->imgRightPage->Image().size(), form->imgRightPage->size());
    EXPECT_GE(form->imgLeftPage->width(), form->ntbBase->width() / 2);
}

// A second start that forwards what opens, while the contents page shows: the window
// turns to the view page, at the cover or at the picture's spread. What is refused
// leaves the contents page as it was.
TEST_F(OpenArgumentTest, WhatASecondStartOpensShowsOnTheViewPage) {
    const std::string folder = CopySample();
    const std::string notes = dir_.path().toStdString() + "/notes.txt";
    std::ofstream(notes) << "not a picture";
    auto form = StartWith(folder);
    const struct {
        std::string path;
        int view, page;
    } cases[] = {
        {folder, 0, 0},
        {folder + "/IMG007.JPG", 0, 7},
        {FOLIVEX_SAMPLE_DIR "/Sample.ajv", 0, 0},
        {notes, 1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        form->msiContentsClick();
        dialogs_.shown.clear();
        form->ReceiveForwarded(QString::fromStdString(c.path));
        EXPECT_EQ(form->State().activeView, c.view);
        EXPECT_EQ(form->ntbBase->currentIndex(), c.view);
        EXPECT_EQ(form->mniOperation->menuAction()->isVisible(), c.view == 0);
        if (c.page >= 0) { // the cover, or the spread of the picture's row
            const PageModel& page = form->State().page;
            EXPECT_EQ(page.currentPage, c.page ? page.SnapToSpread(c.page) : 0);
        }
    }
}

TEST_F(OpenArgumentTest, APathThatIsNothingOpenableIsRefusedAndTheAlbumStays) {
    auto form = CreateForm(true);
    ASSERT_TRUE(form->LoadAlbumFile(QStringLiteral(FOLIVEX_SAMPLE_DIR "/Sample.ajv")));
    const std::string folder = form->State().pictureFolder;
    const int rows = form->RowCount();
    const std::string notes = dir_.path().toStdString() + "/notes.txt";
    std::ofstream(notes) << "not a picture";

    const std::string gone = dir_.path().toStdString() + "/gone.png";
    const struct {
        std::string path;
        QString kind, text;
    } cases[] = {
        {notes, QStringLiteral("警告"),
         QString::fromStdString(notes) +
             QStringLiteral(" はアルバムファイル、フォルダ、"
                            "画像ファイルのいずれでもないので開けません")},
        // What does not exist is the file-open error, like any file that cannot be read.
        {gone, QStringLiteral("ｴﾗｰ"),
         QStringLiteral("ﾌｧｲﾙ ") + QString::fromStdString(gone) + QStringLiteral(" は開けません")},
    };
    for (const auto& [path, kind, text] : cases) {
        dialogs_.shown.clear();
        form->ReceiveForwarded(QString::fromStdString(path));
        ASSERT_EQ(dialogs_.shown.size(), 1u) << path;
        EXPECT_EQ(dialogs_.shown[0].kind, kind);
        EXPECT_EQ(dialogs_.shown[0].text, text);
        EXPECT_TRUE(form->State().albumViewingMode);
        EXPECT_EQ(form->State().pictureFolder, folder);
        EXPECT_EQ(form->RowCount(), rows);
    }
}

// A second start that forwards a folder while the thumbnail cache is being built must
// not replace the list under the build: it is opened once the build has ended.
TEST_F(OpenArgumentTest, AFolderForwardedDuringACacheBuildOpensAfterIt) {
    const std::string first = CopySample();
    const std::string second = dir_.path().toStdString() + "/other";
    std::filesystem::create_directories(second);
    std::filesystem::copy_file(first + "/IMG001.JPG", second + "/one.jpg");
    auto form = StartWith(first);
    form->msiContentsClick();
    bool forwarded = false;
    std::string folderAfterForward;
    QTimer::singleShot(0, form.get(), [&] { // runs inside the build's event loop
        forwarded = form->Contents().BuildingThumbnailCache();
        form->ReceiveForwarded(QString::fromStdString(second));
        folderAfterForward = form->State().pictureFolder;
    });
    form->msiMkThumCa->trigger();
    EXPECT_TRUE(forwarded);
    EXPECT_EQ(folderAfterForward, first + "/");
    EXPECT_EQ(form->State().pictureFolder, first + "/");
    EXPECT_TRUE(std::filesystem::exists(
        ThumbnailCacheFileName(dir_.path().toStdString() + "/Cache/", first + "/")));
    EXPECT_EQ(form->Contents().imlThum.Count(), 12);
    QApplication::processEvents(); // the waiting album is opened now
    EXPECT_EQ(form->State().pictureFolder, second + "/");
    EXPECT_EQ(form->RowCount(), 2);
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(OpenArgumentTest, TheSpreadReadLastIsWrittenWhenAnotherAlbumOpensAndComesBack) {
    const std::string folder = CopySample();
    const std::string other = dir_.path().toStdString() + "/other";
    std::filesystem::create_directories(other);
    std::filesystem::copy_file(folder + "/IMG001.JPG", other + "/a.jpg");
    const std::string store = dir_.path().toStdString() + "/Positions.txt";
    auto slurp = [&store] {
        std::ifstream in(store, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    {
        auto form = StartWith(folder);
        EXPECT_FALSE(form->msiResume->isEnabled());
        form->Nav().OpenAtRow(8);
        EXPECT_EQ(form->State().page.currentPage, 7);
        EXPECT_FALSE(std::filesystem::exists(store)) << "turning pages writes nothing";
        EXPECT_EQ(form->OpenArgument(QString::fromStdString(other)),
                  TfrmFXMainForm::OpenedAs::Listing);
        EXPECT_NE(slurp().find("\t7\t" + folder + "/\tIMG007.JPG\n"), std::string::npos);

        // Back at the first album: the cover, the note, and the item that turns there.
        form->OpenArgument(QString::fromStdString(folder));
        EXPECT_EQ(form->State().page.currentPage, 0);
        EXPECT_FALSE(form->stbResume->isHidden());
        EXPECT_EQ(form->stbResume->text(), QStringLiteral("続きあり: 7/12"));
        ASSERT_TRUE(form->msiResume->isEnabled());
        form->msiResume->trigger();
        EXPECT_EQ(form->State().page.currentPage, 7);
        EXPECT_TRUE(form->stbResume->isHidden());
        form->Nav().OpenAtRow(11);
        form->close();
    }
    EXPECT_NE(slurp().find("\t11\t" + folder + "/\tIMG011.JPG\n"), std::string::npos);

    // With the option on, the album opens at the kept spread, also when a picture before
    // it was removed: the picture is found by its name.
    IniFile(dir_.path().toStdString() + "/Folmo.INI").WriteBool("Folivex", "ResumeOnOpen", true);
    std::filesystem::remove(folder + "/IMG002.JPG");
    auto form = StartWith(folder);
    EXPECT_TRUE(form->CurrentSettings().resumeOnOpen);
    EXPECT_EQ(form->State().page.currentPage, 9);
    EXPECT_EQ(form->Pictures().FileName(10), "IMG011.JPG");
    EXPECT_TRUE(dialogs_.shown.empty());
}

} // namespace
} // namespace folivex
