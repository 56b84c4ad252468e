// Archives on the contents page: shown in the folder tree, listed as a folder would be,
// reported when damaged or locked, refused for adding and renaming, and cached.
#include "contents/ContentsPage.h"

#include "contents/PictureRows.h"
#include "contents/ThumbnailCache.h"
#include "loading/Archive.h"
#include "loading/JpegDecoder.h"
#include "ui/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include "contents/TempTree.h"
#include "support/ArchiveMaker.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <filesystem>

namespace folivex {
namespace {

using test::ArchiveItem;
using test::ArchiveKind;

std::string JpegOf(std::uint8_t red) {
    Bitmap24 p(48, 32);
    for (std::size_t i = 0; i < p.pixels.size(); i += 3)
        p.pixels[i + 2] = red;
    const auto bytes = EncodeJpeg(p, 90);
    return std::string(bytes.begin(), bytes.end());
}

class ContentsArchiveTest : public ::testing::Test {
protected:
    test::TempTree tree;
    AlbumState state;
    PictureList pictures;
    Settings settings;
    ScriptedDialogs dialogs;
    std::vector<QString> captions, statuses;
    std::function<void()> onStatus;
    int renames = 0;
    std::unique_ptr<ContentsPage> page;

    std::string Pics() const { return tree.Path("home/Pics"); }
    std::string Book() const { return Pics() + "/book.cbz"; }

    void SetUp() override {
        SetAppDialogs(&dialogs);
        ArchiveShelf::Shared().Forget();
        tree.Folder("home/Desktop");
        tree.Folder("home/Pics/zeta");
        tree.Folder("home/Pics/alpha");
        tree.File("home/Pics/a.jpg", JpegOf(10));
        tree.Folder("Cache");
        tree.File("mounts", "/dev/root / ext4 rw 0 0\n");
        test::WriteArchiveFile(
            Book(), test::MakeArchive(ArchiveKind::ZipStored, {{"p2.jpg", JpegOf(20)},
                                                               {"sub/", "", true},
                                                               {"sub/p3.jpg", JpegOf(30)},
                                                               {"P1.JPG", JpegOf(40)},
                                                               {"notes.txt", "x"}}));
        ContentsConfig config;
        config.cacheFolder = tree.Path("Cache") + "/";
        config.shell.desktop = tree.Path("home/Desktop");
        config.shell.home = tree.Path("home");
        config.shell.mountTable = tree.Path("mounts");
        config.shell.labelFolder = tree.Path("labels");
        ContentsHooks hooks;
        hooks.caption = [this](const QString& s) { captions.push_back(s); };
        hooks.status = [this](const QString& s) {
            statuses.push_back(s);
            if (onStatus)
                onStatus();
        };
        hooks.rename = [this] { ++renames; };
        hooks.paintError = [](const QString&) {};
        state.activeView = 1;
        page = std::make_unique<ContentsPage>(state, pictures, settings, hooks, config);
    }
    void TearDown() override {
        SetAppDialogs(nullptr);
        ArchiveShelf::Shared().Forget();
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int r = 1; r < pictures.RowCount(); ++r)
            names.push_back(pictures.FileName(r));
        return names;
    }
    int Shown(const QString& kind) const {
        return int(std::count_if(dialogs.shown.begin(), dialogs.shown.end(),
                                 [&](const auto& s) { return s.kind == kind; }));
    }
};

TEST_F(ContentsArchiveTest, TreeShowsArchivesAmongTheFoldersOfTheirFolder) {
    QTreeWidgetItem* home = page->ftvFTree->topLevelItem(0)->child(1);
    home->setExpanded(true);
    QTreeWidgetItem* pics = home->child(home->childCount() - 1);
    ASSERT_EQ(pics->text(0), QString("Pics"));
    pics->setExpanded(true);
    ASSERT_EQ(pics->childCount(), 3);
    EXPECT_EQ(pics->child(0)->text(0), QString("alpha"));
    EXPECT_EQ(pics->child(1)->text(0), QString("book.cbz"));
    EXPECT_EQ(pics->child(1)->childIndicatorPolicy(),
              QTreeWidgetItem::DontShowIndicatorWhenChildless);
    EXPECT_EQ(pics->child(2)->text(0), QString("zeta"));
}

TEST_F(ContentsArchiveTest, ChoosingAnArchiveListsItsPicturesLikeAFolder) {
    page->ftvFTree->SetDirectory(Book());
    EXPECT_EQ(Names(), (std::vector<std::string>{"P1.JPG", "p2.jpg", "sub/p3.jpg"}));
    EXPECT_EQ(state.pictureFolder, Book() + "/");
    EXPECT_EQ(state.albumTitle, "book");
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.back(), QString("Folivex - book"));
    EXPECT_EQ(pictures.At(3).number, "3");
    EXPECT_TRUE(dialogs.shown.empty());
    // The tree comes back to the archive for the album's folder.
    page->ftvFTree->setCurrentItem(page->ftvFTree->topLevelItem(0));
    state.pictureFolder = Book() + "/";
    page->PrepareToShow();
    EXPECT_EQ(page->ftvFTree->currentItem()->text(0), QString("book.cbz"));
}

TEST_F(ContentsArchiveTest, DamagedArchiveIsListedAsFarAsItReadsAndReportedOnce) {
    auto bytes = test::MakeArchive(
        ArchiveKind::ZipStored,
        {{"a.jpg", JpegOf(1)}, {"b.jpg", JpegOf(2)}, {"c.jpg", std::string(50000, 'c')}});
    bytes.resize(bytes.size() - 30000);
    test::WriteArchiveFile(Pics() + "/cut.cbz", bytes);
    page->ftvFTree->SetDirectory(Pics() + "/cut.cbz");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    ASSERT_EQ(Shown("ｴﾗｰ"), 1);
    EXPECT_TRUE(dialogs.shown.back().text.startsWith(
        QString::fromStdString(FormatMessage(msg::kArchiveDamaged, Pics() + "/cut.cbz"))));
    // The listed pictures read without any further report.
    EXPECT_EQ(ReadPictureBytes(state.pictureFolder + "b.jpg").size(), JpegOf(2).size());
    EXPECT_EQ(Shown("ｴﾗｰ"), 1);
}

TEST_F(ContentsArchiveTest, LockedPicturesAreLeftOutWithAWarning) {
    test::WriteArchiveFile(Pics() + "/lock.zip",
                           test::MakeRawZip({{"open.jpg", "o"}, {"locked.jpg", "l", 1}}));
    page->ftvFTree->SetDirectory(Pics() + "/lock.zip");
    EXPECT_EQ(Names(), (std::vector<std::string>{"open.jpg"}));
    ASSERT_EQ(Shown("警告"), 1);
    EXPECT_EQ(dialogs.shown.back().text,
              QString::fromStdString(FormatMessage(msg::kArchivePassword, Pics() + "/lock.zip")));
}

TEST_F(ContentsArchiveTest, AnArchiveOfHugeDeclaredSizesIsListedWithoutAWarning) {
    // Only an entry too large to read is refused, when it is read.
    test::WriteArchiveFile(
        Pics() + "/bomb.zip",
        test::MakeRawZip({{"a.jpg", "x", 0, 0xFFFFFFF0ll}, {"b.jpg", "x", 0, 0xFFFFFFF0ll}}));
    page->ftvFTree->SetDirectory(Pics() + "/bomb.zip");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(Shown("警告"), 0);
    EXPECT_EQ(state.albumTitle, "bomb");
    EXPECT_THROW(ReadPictureBytes(Pics() + "/bomb.zip/a.jpg"), EArchive);
}

TEST_F(ContentsArchiveTest, AddingIsRefusedForAnArchiveButItsPicturesAreWrittenOut) {
    page->ftvFTree->SetDirectory(Book());
    page->msiAddPicClick();
    ASSERT_EQ(Shown("警告"), 1);
    EXPECT_EQ(dialogs.shown.back().text, QString::fromUtf8(kArchiveAddRefused.data()));
    EXPECT_EQ(Shown("openmany"), 0);
    // The rename dialog writes copies, which an archive's pictures can have too.
    page->ppmRename->trigger();
    EXPECT_EQ(Shown("警告"), 1);
    EXPECT_EQ(renames, 1);
    EXPECT_EQ(Names().size(), 3u);

    page->ftvFTree->SetDirectory(Pics());
    page->ppmRename->trigger();
    EXPECT_EQ(renames, 2);
}

TEST_F(ContentsArchiveTest, ThumbnailCacheOfAnArchiveIsNamedAfterItsPath) {
    page->ftvFTree->SetDirectory(Book());
    page->msiMkThumCacheClick();
    EXPECT_EQ(page->imlThum.Count(), 3);
    const std::string cacheFile =
        ThumbnailCacheFileName(tree.Path("Cache") + "/", state.pictureFolder);
    EXPECT_TRUE(std::filesystem::exists(cacheFile));
    EXPECT_NE(cacheFile.find("book.cbz"), std::string::npos);
    // Red levels of the three pictures in name order: P1 40, p2 20, sub/p3 30.
    const int expected[] = {40, 20, 30};
    page->ftvFTree->SetDirectory(Pics());
    page->ftvFTree->SetDirectory(Book());
    ASSERT_EQ(page->imlThum.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        const QImage thumb = page->imlThum.Image(i);
        EXPECT_NEAR(qRed(thumb.pixel(thumb.width() / 2, thumb.height() / 2)), expected[i], 6);
    }
}

// Esc while a large archive is listed (pressed on the grid, where the focus is) stops
// the listing: the album listed before stays with its rows, folder, title and caption,
// the tree goes back to it, and nothing of the stopped archive is kept. Painting the
// rows afterwards never lists an archive that is not open.
TEST_F(ContentsArchiveTest, EscDuringAListingKeepsTheAlbumAndPaintingNeverLists) {
    std::vector<ArchiveItem> many(30000);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i].name = std::to_string(i) + ".jpg";
    const std::string big = Pics() + "/many.tar.gz";
    test::WriteArchiveFile(big, test::MakeArchive(ArchiveKind::TarGz, many));
    settings.thumbnailSize = 40;
    page->resize(600, 400);
    page->show();
    page->ftvFTree->SetDirectory(Book());
    const auto before = Names();
    const auto captionsBefore = captions.size();
    page->stgPageList->setFocus();
    const QString listingText = QString("書庫を読み込み中 0 (Escで中止)");
    bool pressed = false;
    onStatus = [&] {
        if (pressed || statuses.back() != listingText)
            return;
        pressed = true;
        // Queued as a person's key is, so it arrives while the listing runs.
        QWidget* focused = QApplication::focusWidget();
        QWidget* target = focused ? focused : page->stgPageList;
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        QCoreApplication::postEvent(
            target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
    };
    EXPECT_FALSE(page->OpenFolder(big, [] { ADD_FAILURE() << "filled after Esc"; }));
    onStatus = nullptr;
    ASSERT_TRUE(pressed);
    EXPECT_FALSE(page->ListingArchive());
    EXPECT_EQ(Names(), before);
    EXPECT_EQ(state.pictureFolder, Book() + "/");
    EXPECT_EQ(state.albumTitle, "book");
    EXPECT_EQ(captions.size(), captionsBefore);
    EXPECT_EQ(page->ftvFTree->currentItem()->text(0), QString("book.cbz"));
    EXPECT_EQ(statuses.back(), QString::fromStdString("ｶﾚﾝﾄﾌｫﾙﾀﾞ:" + Book() + "/"));
    EXPECT_EQ(ArchiveShelf::Shared().Find(big), nullptr);
    EXPECT_TRUE(dialogs.shown.empty());

    // The shelf let the album's archive go: its rows paint blank instead of listing it.
    ArchiveShelf::Shared().Forget();
    page->stgPageList->RowHeader().grab();
    EXPECT_EQ(ArchiveShelf::Shared().Find(Book()), nullptr);
    // As an album file's loading does: the archive is listed for the rows, which stay.
    page->OpenAlbumArchive();
    EXPECT_NE(ArchiveShelf::Shared().Find(Book()), nullptr);
    EXPECT_EQ(Names(), before);

    // Listed to its end, the same archive fills the list.
    EXPECT_TRUE(page->OpenFolder(big));
    EXPECT_EQ(pictures.RowCount(), 30001);
    EXPECT_EQ(state.albumTitle, "many");
}

} // namespace
} // namespace folivex
