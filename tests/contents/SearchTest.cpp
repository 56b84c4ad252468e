#include "contents/Search.h"

#include <gtest/gtest.h>

using namespace folivex;

namespace {

PictureList ListWith(std::initializer_list<const char*> comments) {
    PictureList list;
    list.SetRowCount(1);
    int n = 0;
    for (const char* c : comments)
        list.Append({"IMG" + std::to_string(++n) + ".JPG", c, std::to_string(n)});
    return list;
}

} // namespace

TEST(CommentSearch, FindsFromTheShownSpreadInEitherDirection) {
    PictureList list = ListWith({"", "浜辺", "山の朝", "", "Abc tower", "", "abc", "夕焼け"});
    EXPECT_EQ(FindCommentRow(list, 1, "abc", SearchDirection::Forward), 5);
    EXPECT_EQ(FindCommentRow(list, 5, "abc", SearchDirection::Forward), 5); // stays put
    EXPECT_EQ(FindCommentRow(list, 6, "ABC", SearchDirection::Forward), 7);
    EXPECT_EQ(FindCommentRow(list, 7, "aBc", SearchDirection::Backward), 7);
    EXPECT_EQ(FindCommentRow(list, 6, "abc", SearchDirection::Backward), 5);
    EXPECT_EQ(FindCommentRow(list, 3, "浜辺", SearchDirection::Backward), 2);
    EXPECT_EQ(FindCommentRow(list, 3, "浜辺", SearchDirection::Forward), 0);
    EXPECT_EQ(FindCommentRow(list, 1, "夕焼", SearchDirection::Forward), 8);
}

TEST(CommentSearch, EmptyTextAndFileNamesNeverMatch) {
    PictureList list = ListWith({"x", "y"});
    EXPECT_EQ(FindCommentRow(list, 1, "", SearchDirection::Forward), 0);
    EXPECT_EQ(FindCommentRow(list, 1, "IMG", SearchDirection::Forward), 0);
    EXPECT_EQ(FindCommentRow(list, 2, "", SearchDirection::Backward), 0);
}

TEST(CommentSearch, StartOutsideTheListFindsNothing) {
    PictureList list = ListWith({"match"});
    EXPECT_EQ(FindCommentRow(list, 5, "match", SearchDirection::Forward), 0);
    EXPECT_EQ(FindCommentRow(list, 0, "match", SearchDirection::Forward), 0);
}
