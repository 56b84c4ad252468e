// Folders and pictures on the command line and from a second start; paths that are
// none of the things the program opens.
#include "FormFixture.h"

#include "view/PageImage.h"

#include <QApplication>
#include <QStackedWidget>

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

TEST_F(OpenArgumentTest, APathThatIsNothingOpenableIsRefusedAndTheAlbumStays) {
    auto form = CreateForm(true);
    ASSERT_TRUE(form->LoadAlbumFile(QStringLiteral(FOLIVEX_SAMPLE_DIR "/Sample.ajv")));
    const std::string folder = form->State().pictureFolder;
    const int rows = form->RowCount();
    const std::string notes = dir_.path().toStdString() + "/notes.txt";
    std::ofstream(notes) << "not a picture";

    for (const std::string& path : {notes, dir_.path().toStdString() + "/gone.png"}) {
        dialogs_.shown.clear();
        form->ReceiveForwarded(QString::fromStdString(path));
        ASSERT_EQ(dialogs_.shown.size(), 1u) << path;
        EXPECT_EQ(dialogs_.shown[0].kind, QStringLiteral("警告"));
        EXPECT_TRUE(dialogs_.shown[0].text.startsWith(QString::fromStdString(path))) << path;
        EXPECT_TRUE(form->State().albumViewingMode);
        EXPECT_EQ(form->State().pictureFolder, folder);
        EXPECT_EQ(form->RowCount(), rows);
    }
}

} // namespace
} // namespace folivex
