// Archives opened as albums through the main window: from the command line, a second
// start and the album-open dialog; saved as an album and read back.
#include "FormFixture.h"

#include "albumfile/AlbumText.h"
#include "core/TextCodec.h"
#include "loading/Archive.h"
#include "loading/PictureLoader.h"

#include <QApplication>
#include <QTemporaryDir>

#include "support/ArchiveMaker.h"

#include <fstream>
#include <sstream>

namespace folivex {
namespace {

// The sample album's twelve pictures in a cbz, under names in a different order.
std::string MakeSampleCbz(const QTemporaryDir& dir) {
    std::vector<test::ArchiveItem> items;
    for (int i = 12; i >= 1; --i) {
        char name[16];
        std::snprintf(name, sizeof name, "IMG%03d.JPG", i);
        std::ifstream in(std::string(FOLIVEX_SAMPLE_DIR "/") + name, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        items.push_back({std::string(i > 6 ? "part2/" : "") + name, bytes.str()});
    }
    const std::string cbz = dir.path().toStdString() + "/旅の本.cbz";
    test::WriteArchiveFile(cbz, test::MakeArchive(test::ArchiveKind::ZipStored, items));
    return cbz;
}

class ArchiveAlbumTest : public FormFixture {
protected:
    void SetUp() override {
        FormFixture::SetUp();
        ArchiveShelf::Shared().Forget();
        cbz_ = MakeSampleCbz(dir_);
    }
    void TearDown() override {
        ArchiveShelf::Shared().Forget();
        FormFixture::TearDown();
    }
    void ExpectArchiveShown(TfrmFXMainForm& form) {
        EXPECT_EQ(form.State().pictureFolder, cbz_ + "/");
        EXPECT_EQ(form.State().albumTitle, "旅の本");
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Folivex - 旅の本"));
        EXPECT_FALSE(form.State().albumViewingMode);
        ASSERT_EQ(form.RowCount(), 13);
        EXPECT_EQ(form.Pictures().FileName(1), "IMG001.JPG");
        EXPECT_EQ(form.Pictures().FileName(12), "part2/IMG012.JPG");
        EXPECT_EQ(form.StatusPanelText(0), QStringLiteral("0/12"));
    }
    std::string cbz_;
};

TEST_F(ArchiveAlbumTest, TheCommandLineOpensAnArchiveAsItsPictureFolder) {
    MainFormOptions o;
    o.programFolder = o.dataFolder = dir_.path() + QLatin1Char('/');
    o.arguments = {QString::fromStdString(cbz_)};
    TfrmFXMainForm form(o);
    form.FormCreate();
    form.show();
    QApplication::processEvents();
    EXPECT_TRUE(dialogs_.shown.empty());
    ExpectArchiveShown(form);
}

TEST_F(ArchiveAlbumTest, ASecondStartHandsOverAnArchiveAndLeavesAlbumViewingMode) {
    auto form = CreateForm(true);
    form->ReceiveForwarded(QStringLiteral(FOLIVEX_SAMPLE_DIR "/Sample.ajv"));
    ASSERT_TRUE(form->State().albumViewingMode);
    form->ReceiveForwarded(QString::fromStdString(cbz_));
    ExpectArchiveShown(*form);
    EXPECT_FALSE(form->msiAJVClose->isEnabled());
    EXPECT_EQ(form->State().page.currentPage, 0);
}

TEST_F(ArchiveAlbumTest, TheAlbumOpenDialogOffersArchives) {
    auto form = CreateForm(true);
    dialogs_.fileAnswers.push_back(QString::fromStdString(cbz_));
    form->msiAJVOpen->trigger();
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_EQ(dialogs_.shown.front().kind, QString("open"));
    EXPECT_TRUE(dialogs_.shown.front().text.contains(QStringLiteral("|書庫(*.zip;*.cbz;")));
    ExpectArchiveShown(*form);
}

TEST_F(ArchiveAlbumTest, ASavedAlbumOfAnArchiveOpensTheArchiveAgain) {
    auto form = CreateForm(true);
    ASSERT_TRUE(form->OpenArchive(QString::fromStdString(cbz_)));
    form->Pictures().MutableAt(2).comment = "二枚目";
    form->Pictures().Remove(1); // rows deleted and commented stay so in the album
    const std::string text = BuildAlbumText(form->State(), form->Pictures());
    EXPECT_NE(text.find("\r\n" + cbz_ + "/\r\n"), std::string::npos);
    const std::string album = dir_.path().toStdString() + "/book.ajv";
    std::ofstream(album, std::ios::binary) << EncodeFileText(text);

    form.reset();
    ArchiveShelf::Shared().Forget(); // as after a new start of the program
    auto again = CreateForm(true);
    ASSERT_TRUE(again->LoadAlbumFile(QString::fromStdString(album)));
    EXPECT_EQ(again->State().pictureFolder, cbz_ + "/");
    ASSERT_EQ(again->RowCount(), 12);
    EXPECT_EQ(again->Pictures().FileName(1), "IMG002.JPG");
    EXPECT_EQ(again->Pictures().At(1).comment, "二枚目");
    TSPIBitmap spi;
    const Bitmap24 picture =
        LoadPicture24(again->State().pictureFolder + again->Pictures().FileName(11), spi);
    EXPECT_FALSE(picture.empty());
}

} // namespace
} // namespace folivex
