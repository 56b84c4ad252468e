#include "core/TextCodec.h"

#include <gtest/gtest.h>

using namespace folivex;

TEST(TextCodec, KnownJapaneseTextsHaveTheirCp932Bytes) {
    EXPECT_EQ(Utf8ToCp932("浜辺にて"), "\x95\x6C\x95\xD3\x82\xC9\x82\xC4");
    EXPECT_EQ(Utf8ToCp932("ｴﾗｰ"), "\xB4\xD7\xB0"); // half-width katakana are one byte
    EXPECT_EQ(Utf8ToCp932("～"), "\x81\x60");      // the CP932 wave dash, not Shift-JIS'
    EXPECT_EQ(Cp932ToUtf8("\x95\x6C\x95\xD3\x82\xC9\x82\xC4"), "浜辺にて");
    EXPECT_EQ(Cp932ToUtf8("abc\xB4\xD7\xB0"), "abcｴﾗｰ");
}

TEST(TextCodec, LengthCountsFullWidthCharactersTwice) {
    EXPECT_EQ(Cp932Length("夏休みの思い出写真帳です"), 24u);
    EXPECT_EQ(Cp932Length("abcｱｲｳ"), 6u);
    EXPECT_EQ(Cp932Length(""), 0u);
}

TEST(TextCodec, TextCp932CannotHoldIsStoredAsUtf8WithBom) {
    bool exact = true;
    Utf8ToCp932("photo_😀.jpg", &exact);
    EXPECT_FALSE(exact);
    const std::string stored = EncodeFileText("photo_😀.jpg\r\n");
    EXPECT_EQ(stored.substr(0, 3), kUtf8Bom);
    EXPECT_EQ(DecodeFileText(stored), "photo_😀.jpg\r\n");
}

TEST(TextCodec, RepresentableTextIsStoredAsCp932AndReadBack) {
    const std::string stored = EncodeFileText("夏休み\r\nclWhite\r\n");
    EXPECT_NE(stored.substr(0, 3), kUtf8Bom);
    EXPECT_EQ(DecodeFileText(stored), "夏休み\r\nclWhite\r\n");
}

TEST(TextCodec, BrokenBytesDoNotStopTheConversion) {
    // A lone lead byte at the end and an undefined byte.
    EXPECT_EQ(Cp932ToUtf8("a\x82"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Cp932ToUtf8("a\xA0z").back(), 'z');
}
