// Folder listing, name order and the row edits of the picture list.
#include "contents/PictureRows.h"
#include "contents/NameOrder.h"

#include <gtest/gtest.h>

#include "contents/TempTree.h"

namespace folivex {
namespace {

using test::TempTree;

std::vector<std::string> Names(const PictureList& list) {
    std::vector<std::string> names;
    for (int r = 1; r < list.RowCount(); ++r)
        names.push_back(list.FileName(r));
    return names;
}

TEST(NameOrder, FoldsOnlyAsciiLettersThenBytes) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"abc", "ABD", -1},
        {"B.jpg", "a.jpg", 1},
        {"a_b", "aZ", -1}, // "Z" folds to "z" (0x7A), above "_" (0x5F)
        {"Abc", "abc", -1},
        {"abc", "abc", 0},
        {"ab", "abc", -1},
        {"\xC3\x89", "\xC3\xA9", -1}, // É and é are not folded: raw bytes decide
    };
    for (const auto& c : cases) {
        const int got = CompareFileNames(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.a << " vs " << c.b;
    }
}

TEST(NameOrder, PatternsIgnoreAsciiCase) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    } cases[] = {
        {"a.JPG", "*.jpg", true},
        {"a.jpeg", "*.jpg", false},
        {"a.jpg.bak", "*.jpg", false},
        {"x.jpg", "?.jpg", true},
        {"写.jpg", "?.jpg", true},
        {"xy.jpg", "?.jpg", false},
        {"a.b.c", "*.*", true},
        {"abc", "a*c*", true},
        {"", "*", true},
        {"aaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*c", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
}

TEST(FolderFill, SortsMixedCaseAndListsMatchingFolders) {
    TempTree tree;
    tree.Files({"b.jpg", "A.JPG", "a.jpg", "c.jpeg", "Z.bmp", "notes.txt"});
    tree.Folder("sub.jpg"); // a folder whose name matches is listed, as the pattern decides
    tree.Folder("plain");
    const auto names = ListFolderPictures(tree.Root(), {"*.bmp", "*.jpg", "*.jpeg"});
    EXPECT_EQ(names,
              (std::vector<std::string>{"A.JPG", "a.jpg", "b.jpg", "c.jpeg", "sub.jpg", "Z.bmp"}));
}

TEST(FolderFill, FileMatchingTwoPatternsIsListedOnce) {
    TempTree tree;
    tree.Files({"a.jpg", "b.jpg"});
    EXPECT_EQ(ListFolderPictures(tree.Root(), {"*.jpg", "*.JPG", "a.*"}),
              (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST(FolderFill, LeftoversOfAMacOrWindowsAreNotPictures) {
    TempTree tree;
    tree.Files({"x.jpg", "._x.jpg", ".DS_Store", "Thumbs.db", "DESKTOP.INI", ".hidden.jpg"});
    tree.Folder("__MACOSX");
    EXPECT_EQ(ListFolderPictures(tree.Root(), {"*"}), (std::vector<std::string>{"x.jpg"}));
}

TEST(FolderFill, EmptyOrMissingFolderOrNoPatternGivesNothing) {
    TempTree tree;
    tree.Folder("empty");
    tree.File("x.jpg");
    EXPECT_TRUE(ListFolderPictures(tree.Path("empty"), {"*.jpg"}).empty());
    EXPECT_TRUE(ListFolderPictures(tree.Path("missing"), {"*.jpg"}).empty());
    EXPECT_TRUE(ListFolderPictures(tree.Root(), {}).empty());
}

TEST(FolderFill, RowsGetTheirRowAsPictureNumber) {
    PictureList list;
    FillPictureRows(list, {"a.jpg", "b.jpg"});
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.At(2).number, "2");
    FillPictureRows(list, {});
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(FolderFill, AlbumTitles) {
    EXPECT_EQ(AlbumTitleOfFolder("/"), "ルート");
    EXPECT_EQ(AlbumTitleOfFolder("/home/u/Trip/"), "Trip");
    EXPECT_EQ(AlbumTitleOfFolder("/media/usb/"), "usb");
    EXPECT_EQ(PictureFolderOf("/home/u/Trip"), "/home/u/Trip/");
    EXPECT_EQ(PictureFolderOf("/"), "/");
}

TEST(AddPictures, SameFolderAppendsUnsortedOtherFolderIsRefused) {
    PictureList list;
    FillPictureRows(list, {"b.jpg", "c.jpg"});
    list.MutableAt(1).comment = "keep";
    std::string folder = "/p/";
    EXPECT_EQ(AddPictureFiles(list, folder, {"/q/x.jpg"}), AddResult::OtherFolder);
    EXPECT_EQ(list.RowCount(), 3);
    EXPECT_EQ(AddPictureFiles(list, folder, {"/p/z.jpg", "/p/a.jpg"}), AddResult::Added);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"b.jpg", "c.jpg", "z.jpg", "a.jpg"}));
    EXPECT_EQ(list.At(4).number, "4");
    EXPECT_EQ(list.Comment(1), "keep");
    EXPECT_EQ(AddPictureFiles(list, folder, {}), AddResult::Nothing);
}

TEST(AddPictures, EmptyListTakesAnyFolder) {
    PictureList list;
    std::string folder = "/p/";
    EXPECT_EQ(AddPictureFiles(list, folder, {"/q/r/x.jpg"}), AddResult::Added);
    EXPECT_EQ(folder, "/q/r/");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"x.jpg"}));
    EXPECT_EQ(list.At(1).number, "1");
}

TEST(DeletePicture, CaretRowAndOnlyRow) {
    PictureList list;
    FillPictureRows(list, {"a.jpg", "b.jpg", "c.jpg"});
    list.MutableAt(3).comment = "third";
    EXPECT_TRUE(DeletePictureRow(list, 2));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a.jpg", "c.jpg"}));
    EXPECT_EQ(list.At(2).comment, "third");
    EXPECT_EQ(list.At(2).number, "3"); // numbers stay with their pictures
    EXPECT_FALSE(DeletePictureRow(list, 3));
    EXPECT_FALSE(DeletePictureRow(list, 0));

    PictureList one;
    FillPictureRows(one, {"a.jpg"});
    EXPECT_TRUE(DeletePictureRow(one, 1));
    EXPECT_EQ(one.RowCount(), 2);
    EXPECT_TRUE(one.IsEmpty());
    EXPECT_FALSE(DeletePictureRow(one, 1));
}

} // namespace
} // namespace folivex
