#include "core/ColorText.h"

#include "core/Error.h"

#include <gtest/gtest.h>

using namespace folivex;

TEST(ColorText, AllIdentifiersGoBothWays) {
    const char* names[] = {
        "clBlack",        "clMaroon",      "clGreen",         "clOlive",
        "clNavy",         "clPurple",      "clTeal",          "clGray",
        "clSilver",       "clRed",         "clLime",          "clYellow",
        "clBlue",         "clFuchsia",     "clAqua",          "clWhite",
        "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
        "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
        "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
        "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
        "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
        "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
        "clInfoBk"};
    for (const char* n : names)
        EXPECT_EQ(ColorToString(StringToColor(n)), n);
    EXPECT_EQ(StringToColor("clRed"), 0x0000FF);
    EXPECT_EQ(StringToColor("clNavy"), 0x800000);
    EXPECT_EQ(StringToColor("clInfoBk"), int(0x80000018u));
    EXPECT_EQ(StringToColor("CLWHITE"), 0xFFFFFF);
}

TEST(ColorText, OtherColoursAreDollarAndEightDigits) {
    EXPECT_EQ(ColorToString(0x00E0F0F8), "$00E0F0F8");
    EXPECT_EQ(ColorToString(0x000001), "$00000001");
    EXPECT_EQ(StringToColor("$00E0F0F8"), 0x00E0F0F8);
    EXPECT_EQ(StringToColor("255"), 255);
    EXPECT_EQ(StringToColor("0x10"), 16);
}

TEST(ColorText, TextThatIsNeitherRaisesTheConversionError) {
    try {
        StringToColor("clNotAColour");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "'clNotAColour' は整数ではありません");
    }
}

TEST(ColorText, SystemColoursResolveThroughThePalette) {
    auto palette = [](int n) { return n == 5 ? 0xABCDEFu : 0x010203u; };
    EXPECT_EQ(ResolveColor(StringToColor("clWindow"), palette), 0xABCDEFu);
    EXPECT_EQ(ResolveColor(StringToColor("clBtnFace"), palette), 0x010203u);
    EXPECT_EQ(ResolveColor(0x00123456, palette), 0x123456u);
}
