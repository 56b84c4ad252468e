// The contents page widgets driven as a user would: the folder tree, the fill, the grid's
// editing, adding, deleting, reordering, the pop-up menu and the thumbnails.
#include "contents/ContentsPage.h"

#include "contents/ThumbnailImage.h"
#include "core/Error.h"
#include "ui/ScriptedDialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "contents/TempTree.h"

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

namespace folivex {
namespace {

using test::TempTree;

void WriteJpeg(const std::string& path, std::uint8_t red) {
    Bitmap24 p(40, 30);
    for (std::size_t i = 0; i < p.pixels.size(); i += 3) {
        p.pixels[i] = 0;
        p.pixels[i + 1] = 0;
        p.pixels[i + 2] = red;
    }
    const auto bytes = EncodeJpeg(p, 95);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class ContentsPageTest : public ::testing::Test {
protected:
    TempTree tree;
    AlbumState state;
    PictureList pictures;
    Settings settings;
    ScriptedDialogs dialogs;
    std::vector<QString> statuses, captions, paintErrors;
    int changes = 0;
    std::function<void()> onStatus;
    std::unique_ptr<ContentsPage> page;

    std::string Pics() const { return tree.Path("home/Pics"); }

    void SetUp() override {
        SetAppDialogs(&dialogs);
        tree.Folder("home/Desktop/Trip");
        tree.Files({"home/Pics/b.jpg", "home/Pics/A.jpg", "home/Pics/a.jpg", "home/Pics/c.bmp",
                    "home/Pics/notes.txt", "home/Other/x.jpg"});
        tree.Folder("Cache");
        tree.File("mounts", "/dev/root / ext4 rw 0 0\n");
        ContentsConfig config;
        config.cacheFolder = tree.Path("Cache") + "/";
        config.shell.desktop = tree.Path("home/Desktop");
        config.shell.home = tree.Path("home");
        config.shell.mountTable = tree.Path("mounts");
        config.shell.labelFolder = tree.Path("labels");
        ContentsHooks hooks;
        hooks.status = [this](const QString& s) {
            statuses.push_back(s);
            if (onStatus)
                onStatus();
        };
        hooks.caption = [this](const QString& s) { captions.push_back(s); };
        hooks.paintError = [this](const QString& s) { paintErrors.push_back(s); };
        hooks.listChanged = [this] { ++changes; };
        state.activeView = 1;
        page = std::make_unique<ContentsPage>(state, pictures, settings, hooks, config);
        page->resize(600, 400);
    }
    void TearDown() override { SetAppDialogs(nullptr); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int r = 1; r < pictures.RowCount(); ++r)
            names.push_back(pictures.FileName(r));
        return names;
    }
    // Types as a user would: the keys go to the grid, then to the cell editor once one
    // is open.
    void Type(const QString& text) {
        for (QChar c : text)
            QTest::keyClick(Focused(), c.toLatin1());
        QTest::keyClick(Focused(), Qt::Key_Return);
        QApplication::processEvents(); // the editor commits through a queued call
    }
    QWidget* Focused() {
        for (QLineEdit* editor : page->stgPageList->findChildren<QLineEdit*>()) {
            if (editor->isVisible())
                return editor;
        }
        return page->stgPageList;
    }
    void SelectCell(int row, int column) {
        page->stgPageList->setCurrentIndex(page->stgPageList->Model().index(row - 1, column));
    }
};

TEST_F(ContentsPageTest, ChoosingAFolderFillsSortedWithTitleAndCaption) {
    page->ftvFTree->SetDirectory(Pics());
    EXPECT_EQ(Names(), (std::vector<std::string>{"A.jpg", "a.jpg", "b.jpg", "c.bmp"}));
    EXPECT_EQ(state.pictureFolder, Pics() + "/");
    EXPECT_EQ(state.albumTitle, "Pics");
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.back(), QString("Folivex - Pics"));
    EXPECT_EQ(statuses.back(), QString::fromStdString("ｶﾚﾝﾄﾌｫﾙﾀﾞ:" + Pics() + "/"));
    EXPECT_EQ(pictures.At(4).number, "4");

    // Unticked patterns are not listed; an empty folder gives the empty list.
    page->clbFileExt->item(0)->setCheckState(Qt::Unchecked); // *.bmp
    page->ftvFTree->SetDirectory(tree.Path("home/Desktop/Trip"));
    EXPECT_TRUE(pictures.IsEmpty());
    EXPECT_EQ(state.albumTitle, "Trip");
    page->ftvFTree->SetDirectory(Pics());
    EXPECT_EQ(Names().size(), 3u);
}

TEST_F(ContentsPageTest, TreeWalkRaisesChangeOnlyOnARealSelectionChange) {
    int n = 0;
    QObject::connect(page->ftvFTree, &TFolderTreeViewPetit::Change, page.get(), [&n] { ++n; });
    page->ftvFTree->SetDirectory(Pics());
    EXPECT_EQ(n, 1);
    page->ftvFTree->SetDirectory(Pics() + "/"); // the same folder again
    EXPECT_EQ(n, 1);

    page->ftvFTree->SetDirectory("OnDesk"); // no such folder on the desktop
    EXPECT_EQ(n, 1);
    EXPECT_EQ(page->ftvFTree->Directory(), "OnDesk");
    page->ftvFTree->SetDirectory(Pics() + "/missing");
    EXPECT_EQ(n, 1);
    EXPECT_EQ(page->ftvFTree->Directory(), Pics() + "/missing");

    page->ftvFTree->SetDirectory("Trip"); // a single word: among the desktop's children
    EXPECT_EQ(n, 2);
    EXPECT_EQ(page->ftvFTree->Directory(), tree.Path("home/Desktop/Trip"));
    page->ftvFTree->SetDirectory(tree.Path("home/Desktop"));
    EXPECT_EQ(page->ftvFTree->currentItem(), page->ftvFTree->topLevelItem(0));

    page->ftvFTree->SetDirectory(""); // the desktop node; already selected
    EXPECT_EQ(n, 3);
    // The computer node has no folder: Directory empty and the list left alone.
    page->ftvFTree->SetDirectory(Pics());
    page->ftvFTree->setCurrentItem(page->ftvFTree->topLevelItem(0)->child(0));
    EXPECT_TRUE(page->ftvFTree->Directory().empty());
    EXPECT_EQ(Names().size(), 4u);
}

TEST_F(ContentsPageTest, ADeepFolderShowsItsNameInTheNarrowPanel) {
    std::string deep = "home/Pics";
    for (const char* level : {"2026", "summer", "coast", "day one", "morning", "harbour"})
        deep += std::string("/") + level;
    tree.Folder(deep);
    auto* folders = page->ftvFTree;
    folders->resize(180, 300);
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    folders->SetDirectory(tree.Path(deep));
    QApplication::processEvents();
    QTreeWidgetItem* item = folders->currentItem();
    ASSERT_TRUE(item);
    ASSERT_EQ(item->text(0), QString("harbour"));
    // The name has room to be drawn whole, not cut to an ellipsis, and lies in view.
    const QRect shown = folders->visualItemRect(item);
    const int nameWidth = folders->fontMetrics().horizontalAdvance("harbour");
    EXPECT_GE(shown.width(), nameWidth);
    EXPECT_GE(shown.left(), 0);
    EXPECT_LE(shown.left() + nameWidth, folders->viewport()->width());
}

TEST_F(ContentsPageTest, TreeRefusesLabelEditingUnlessAllowed) {
    auto* tree = page->ftvFTree;
    const QModelIndex top = tree->model()->index(0, 0);
    tree->setCurrentIndex(top);
    auto editors = [&] { return tree->findChildren<QLineEdit*>().size(); };
    tree->edit(top);
    EXPECT_EQ(editors(), 0);
    tree->OnEditing = [](QTreeWidgetItem*) { return true; };
    tree->edit(top);
    EXPECT_EQ(editors(), 1);
}

TEST_F(ContentsPageTest, TreeFillsLevelsLazily) {
    auto* tree = page->ftvFTree;
    QTreeWidgetItem* home = tree->topLevelItem(0)->child(1);
    ASSERT_EQ(home->text(0), QString("home"));
    EXPECT_EQ(home->childCount(), 0);
    EXPECT_EQ(home->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    home->setExpanded(true);
    EXPECT_EQ(home->childCount(), 3); // Desktop, Other, Pics
    EXPECT_EQ(home->child(2)->text(0), QString("Pics"));
}

TEST_F(ContentsPageTest, AddFromSameAndOtherFolder) {
    page->ftvFTree->SetDirectory(Pics());
    dialogs.filesAnswers.push_back({QString::fromStdString(tree.Path("home/Other/x.jpg"))});
    page->msiAddPicClick();
    ASSERT_EQ(dialogs.shown.back().kind, QString("警告"));
    EXPECT_TRUE(dialogs.shown.back().text.startsWith("既に読み込まれているフォルダ"));
    EXPECT_EQ(Names().size(), 4u);

    std::vector<std::string> stored;
    dialogs.filesAnswers.push_back({QString::fromStdString(Pics() + "/b.jpg")});
    page->msiAddPicClick();
    EXPECT_EQ(Names().back(), "b.jpg");
    EXPECT_EQ(pictures.At(5).number, "5");

    page->msiNewClick();
    EXPECT_EQ(statuses.back(), QString("ｶﾚﾝﾄﾌｫﾙﾀﾞ:無し"));
    dialogs.filesAnswers.push_back({QString::fromStdString(tree.Path("home/Other/x.jpg"))});
    page->msiAddPicClick();
    EXPECT_EQ(Names(), (std::vector<std::string>{"x.jpg"}));
    EXPECT_EQ(state.pictureFolder, tree.Path("home/Other/"));
}

TEST_F(ContentsPageTest, DeleteCaretRowOnlyRowAndPopupEnabling) {
    page->ftvFTree->SetDirectory(Pics());
    SelectCell(2, PageListModel::kComment);
    page->msiDeletePicClick();
    EXPECT_EQ(Names(), (std::vector<std::string>{"A.jpg", "b.jpg", "c.bmp"}));
    EXPECT_EQ(pictures.At(2).number, "3");

    page->ppmContentsPopup();
    EXPECT_TRUE(page->ppmDelete->isEnabled());
    page->msiNewClick();
    page->ppmContentsPopup();
    EXPECT_FALSE(page->ppmDelete->isEnabled());
    EXPECT_FALSE(page->ppmAllClear->isEnabled());
    EXPECT_FALSE(page->ppmRename->isEnabled());
    EXPECT_TRUE(page->ppmAdd->isEnabled());
    page->msiDeletePicClick(); // empty list: nothing
    EXPECT_EQ(pictures.RowCount(), 2);

    dialogs.filesAnswers.push_back({QString::fromStdString(Pics() + "/a.jpg")});
    page->msiAddPicClick();
    SelectCell(1, 0);
    page->msiDeletePicClick();
    EXPECT_EQ(pictures.RowCount(), 2);
    EXPECT_TRUE(pictures.IsEmpty());
    page->ftvFTree->SetDirectory(tree.Path("home/Other"));
    page->ftvFTree->SetDirectory(Pics());
    EXPECT_EQ(Names().size(), 4u);
}

TEST_F(ContentsPageTest, CommentsAreTypedOnlyInTheCommentColumnAndFollowReorder) {
    page->ftvFTree->SetDirectory(Pics());
    page->show();
    QApplication::setActiveWindow(page.get());
    auto* grid = page->stgPageList;
    grid->setFocus();
    SelectCell(1, PageListModel::kFileName);
    Type("zz");
    EXPECT_EQ(pictures.FileName(1), "A.jpg");
    EXPECT_EQ(pictures.Comment(1), "");

    SelectCell(1, PageListModel::kComment);
    Type("first");
    EXPECT_EQ(pictures.Comment(1), "first");

    // Drag row 1 by its fixed cell below row 3.
    grid->RowHeader().moveSection(0, 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg", "A.jpg", "c.bmp"}));
    EXPECT_EQ(pictures.Comment(3), "first");
    EXPECT_EQ(pictures.At(3).number, "1");
    EXPECT_EQ(grid->RowHeader().visualIndex(0), 0); // the header itself stays in order
    EXPECT_EQ(grid->CaretRow(), 3);
}

// A comment still being typed (no Return yet) belongs to the list before anything reads
// it: a save, or a drag of the rows.
TEST_F(ContentsPageTest, ACommentBeingTypedIsCommittedBeforeSaveAndBeforeARowDrag) {
    page->ftvFTree->SetDirectory(Pics());
    page->show();
    QApplication::setActiveWindow(page.get());
    auto* grid = page->stgPageList;
    grid->setFocus();
    auto typeWithoutReturn = [&](const char* text) {
        for (const char* c = text; *c; ++c)
            QTest::keyClick(Focused(), *c);
        ASSERT_TRUE(grid->Editing());
    };

    SelectCell(2, PageListModel::kComment);
    typeWithoutReturn("beach");
    EXPECT_EQ(pictures.Comment(2), "");
    grid->CommitEdit();
    EXPECT_EQ(pictures.Comment(2), "beach");
    EXPECT_FALSE(grid->Editing());
    grid->CommitEdit(); // nothing open: nothing changes
    EXPECT_EQ(pictures.Comment(2), "beach");

    SelectCell(1, PageListModel::kComment);
    typeWithoutReturn("dunes");
    grid->RowHeader().moveSection(0, 3); // row 1 dragged below the last row
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg", "c.bmp", "A.jpg"}));
    EXPECT_EQ(pictures.Comment(4), "dunes");
    EXPECT_EQ(pictures.Comment(1), "beach");
}

TEST_F(ContentsPageTest, ShowingKeepsAnAlbumListAndToleratesAPageBeyondTheEnd) {
    page->ftvFTree->SetDirectory(tree.Path("home/Other"));
    // An album file filled the list from another folder.
    pictures.Reset();
    pictures.MutableAt(1) = {"b.jpg", "album comment", "1"};
    state.pictureFolder = Pics() + "/";
    state.albumViewingMode = true;
    state.page.currentPage = 7;
    page->PrepareToShow();
    EXPECT_EQ(page->ftvFTree->Directory(), Pics());
    EXPECT_EQ(pictures.Comment(1), "album comment");
    EXPECT_EQ(pictures.RowCount(), 2);
    EXPECT_EQ(page->stgPageList->CaretRow(), 1);
    EXPECT_EQ(page->CaretPicture(), 1);
}

TEST_F(ContentsPageTest, GeometryFollowsTheThumbnailSize) {
    auto* grid = page->stgPageList;
    EXPECT_EQ(grid->horizontalHeader()->height(), 17);
    EXPECT_EQ(grid->columnWidth(PageListModel::kFileName), 170);
    EXPECT_EQ(grid->columnWidth(PageListModel::kNumber), 1);
    settings.thumbnails = false;
    settings.thumbnailSize = 64;
    page->speThumSizeChange();
    page->ftvFTree->SetDirectory(Pics());
    EXPECT_EQ(grid->RowHeader().width(), 64);
    EXPECT_EQ(grid->rowHeight(2), 64);
}

TEST_F(ContentsPageTest, ThumbnailsFromFileFromCacheAndBrokenPictures) {
    tree.Folder("shots");
    WriteJpeg(tree.Path("shots/1.jpg"), 250);
    WriteJpeg(tree.Path("shots/2.jpg"), 10);
    tree.File("shots/3.jpg", "not a jpeg");
    settings.thumbnailSize = 40;
    page->ResetPageList();
    page->show();
    page->ftvFTree->SetDirectory(tree.Path("shots"));
    auto redAt = [&](int row) {
        const QImage shot = page->stgPageList->RowHeader().grab().toImage();
        const int y = page->stgPageList->rowViewportPosition(row - 1) + 20;
        return qRed(shot.pixel(20, y));
    };
    EXPECT_GT(redAt(1), 200);
    EXPECT_LT(redAt(2), 40);
    redAt(3);
    QApplication::processEvents();
    ASSERT_EQ(paintErrors.size(), 1u); // reported once, after the paint
    EXPECT_NE(paintErrors[0].indexOf("JPEG"), -1);

    EXPECT_THROW(page->msiMkThumCacheClick(), Error); // fails on 3.jpg
    EXPECT_TRUE(page->imlThum.IsEmpty());
    page->clbFileExt->SetPatterns({"?.jpg"});
    std::filesystem::remove(tree.Path("shots/3.jpg"));
    page->ftvFTree->SetDirectory(tree.Path("home"));
    page->ftvFTree->SetDirectory(tree.Path("shots"));
    page->msiMkThumCacheClick();
    EXPECT_EQ(page->imlThum.Count(), 2);
    EXPECT_EQ(statuses.back(), QString::fromStdString(tree.Path("shots/")));
    std::filesystem::remove(tree.Path("shots/1.jpg")); // painted from the cache now
    EXPECT_GT(redAt(1), 200);
}

// Esc pressed through the focused widget while the cache is being built stops the build:
// the previous cache file stays byte for byte and so do the thumbnails. Clicks during the
// build are held off; afterwards they work again.
TEST_F(ContentsPageTest, EscDuringTheCacheBuildKeepsThePreviousCache) {
    tree.Folder("many");
    for (int i = 0; i < 30; ++i)
        WriteJpeg(tree.Path("many/" + std::to_string(100 + i) + ".jpg"), std::uint8_t(200));
    settings.thumbnailSize = 40;
    page->ResetPageList();
    page->show();
    QApplication::setActiveWindow(page.get());
    page->ftvFTree->SetDirectory(tree.Path("many"));
    page->msiMkThumCacheClick();
    const std::string cacheFile =
        ThumbnailCacheFileName(tree.Path("Cache") + "/", tree.Path("many/"));
    std::ifstream in(cacheFile, std::ios::binary);
    const std::string before{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(before.empty());
    for (int i = 0; i < 30; ++i) // a finished build would write other bytes
        WriteJpeg(tree.Path("many/" + std::to_string(100 + i) + ".jpg"), std::uint8_t(20));

    page->stgPageList->setFocus();
    SelectCell(1, 1);
    const QPoint row3(40, page->stgPageList->rowViewportPosition(2) + 5);
    int shown = 0;
    bool building = false;
    onStatus = [&] {
        if (++shown == 3) {
            building = page->BuildingThumbnailCache();
            QTest::mouseClick(page->stgPageList->viewport(), Qt::LeftButton, {}, row3);
            QWidget* focused = QApplication::focusWidget();
            QTest::keyClick(focused ? focused : page->stgPageList, Qt::Key_Escape);
        }
    };
    page->msiMkThumCacheClick();
    onStatus = nullptr;
    EXPECT_TRUE(building);
    EXPECT_FALSE(page->BuildingThumbnailCache());
    EXPECT_EQ(shown, 4); // the third picture's progress, then the folder
    EXPECT_EQ(statuses.back(), QString::fromStdString(tree.Path("many/")));
    std::ifstream again(cacheFile, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(again), {}) == before)
        << "the cache file changed";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.Path("Cache")), {}), 1);
    ASSERT_EQ(page->imlThum.Count(), 30);
    EXPECT_GT(qRed(page->imlThum.Image(0).pixel(20, 20)), 150);

    EXPECT_EQ(page->stgPageList->CaretRow(), 1); // the click during the build was dropped
    QTest::mouseClick(page->stgPageList->viewport(), Qt::LeftButton, {}, row3);
    EXPECT_EQ(page->stgPageList->CaretRow(), 3);
}

} // namespace
} // namespace folivex
