// The readable formats built while plug-ins load: dialog filter, mask, check-list entries.
#include "loading/ReadableFormats.h"
#include "LoadingTestUtil.h"

#include <gtest/gtest.h>

namespace folivex {
namespace {

using test::SpiPath;
using Patterns = std::vector<std::string>;

constexpr std::string_view kInitial = "JPEG(*.jpg;*.jpeg)|*.jpg;*.jpeg|ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp|";

struct Loaded {
    PictureRegistry registry;
    ReadableFormats formats;
    TSPIs spis{TSPIPlaces{}};

    explicit Loaded(std::initializer_list<const char*> names) {
        spis.Registry = &registry;
        formats.Connect(spis);
        for (const char* name : names)
            spis.Add(CreateSPI(SpiPath(name)));
    }
};

TEST(ReadableFormats, WithoutPictureFormatsOnlyTheBuiltInOnes) {
    Loaded none({"xn", "lowerin"});
    EXPECT_EQ(none.formats.DialogFilter(), kInitial);
    EXPECT_EQ(none.formats.FileExtPatterns(), (Patterns{"*.bmp", "*.jpg", "*.jpeg"}));
}

TEST(ReadableFormats, NoPlugInsAtAllFromSusieLocZero) {
    test::TempDir app;
    test::CopySpis(app.path(), {"tny"});
    ReadableFormats formats;
    TSPIs spis(TSPIPlaces{app.path(), ""});
    formats.Connect(spis);
    SearchPlugInsAtStart(spis, 0);
    EXPECT_EQ(spis.Count(), 0);
    EXPECT_EQ(formats.FileExtPatterns(), (Patterns{"*.bmp", "*.jpg", "*.jpeg"}));
}

TEST(ReadableFormats, BuiltInExtensionsStayWithTheBuiltInReaders) {
    Loaded jpg({"jpgonly", "bmpcaps"});
    EXPECT_EQ(jpg.formats.DialogFilter(),
              std::string(kInitial) + "対応している画像ファイル|*.jpg;*.jpeg;*.bmp;");
    EXPECT_EQ(jpg.formats.FileExtPatterns(), (Patterns{"*.jpg", "*.jpeg", "*.bmp"}));
    EXPECT_EQ(jpg.registry.Find("jpg"), nullptr);
    EXPECT_EQ(jpg.registry.Find("bmp"), nullptr);
}

TEST(ReadableFormats, EachFormatGetsItsOwnEntryAndRepeatsStay) {
    Loaded two({"twoformats", "mag"});
    EXPECT_EQ(two.formats.PictureFilter,
              std::string(kInitial) +
                  "MAG picture(*.mag)|*.mag|MKI picture(*.mki)|*.mki|MAG picture(*.mag)|*.mag|");
    EXPECT_EQ(two.formats.PictureMask, "*.jpg;*.jpeg;*.bmp;*.mag;*.mki;*.mag;");
    EXPECT_EQ(two.formats.FileExtPatterns(),
              (Patterns{"*.jpg", "*.jpeg", "*.bmp", "*.mag", "*.mki", "*.mag"}));
    EXPECT_NE(two.registry.Find("mki"), nullptr);
}

TEST(ReadableFormats, MaskSplitsEveryPatternAndSkipsEmptyOnes) {
    ReadableFormats f;
    f.PictureMask = "*.a;*.b;*.c;;*.d;";
    EXPECT_EQ(f.FileExtPatterns(), (Patterns{"*.a", "*.b", "*.c", "*.d"}));
}

TEST(SplitDialogFilter, DescriptionsAndPatterns) {
    auto entries = SplitDialogFilter(std::string(kInitial) + "対応している画像ファイル|*.jpg;*.x;");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].description, "JPEG(*.jpg;*.jpeg)");
    EXPECT_EQ(entries[0].patterns, (Patterns{"*.jpg", "*.jpeg"}));
    EXPECT_EQ(entries[1].patterns, (Patterns{"*.bmp"}));
    EXPECT_EQ(entries[2].description, "対応している画像ファイル");
    EXPECT_EQ(entries[2].patterns, (Patterns{"*.jpg", "*.x"}));
}

} // namespace
} // namespace folivex
