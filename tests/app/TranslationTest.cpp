// The interface language: which locales give English, and how the catalogue turns the
// program's texts into English where they are shown while the sources stay Japanese.
#include "ui/Translation.h"
#include "app/MessagePatterns.h"
#include "core/Error.h"
#include "loading/Archive.h"
#include "loading/PictureFile.h"
#include "loading/SPIs.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace folivex {
namespace {

TEST(Translation, TheLocaleOrTheSettingChoosesTheLanguage) {
    struct Case {
        int setting;
        QStringList uiLanguages;
        bool english;
    } cases[] = {
        {0, {"ja-JP", "ja-Jpan-JP", "ja"}, false},
        {0, {"ja"}, false},
        {0, {"C"}, false}, // LANG=C, POSIX and C.UTF-8 all give "C"
        {0, {}, false},
        {0, {"en-US", "en-Latn-US", "en"}, true},
        {0, {"de-DE", "de"}, true},
        {0, {"en", "ja"}, true}, // LANGUAGE=en:ja: the first one counts
        {0, {"ja", "en"}, false},
        {1, {"en-US"}, false}, // the options dialog's choice wins over the locale
        {2, {"ja-JP"}, true},
        {2, {"C"}, true},
        {7, {"ja"}, false}, // an unknown value is automatic
        {7, {"fr"}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseEnglish(c.setting, c.uiLanguages), c.english)
            << c.setting << " " << c.uiLanguages.join(',').toStdString();
}

TEST(Translation, TheCatalogueIsFoundInTheBuildTreeAndTheInstalledPlace) {
    const QStringList folders = TranslationFolders(QStringLiteral("/usr/lib/folivex/"));
    ASSERT_EQ(folders.size(), 2);
    EXPECT_EQ(folders[0], QStringLiteral("/usr/lib/folivex/translations"));
    EXPECT_EQ(folders[1], QStringLiteral("/usr/share/folivex/translations"));
    EXPECT_FALSE(LoadInterfaceLanguage(2, QStringLiteral("/nonexistent/")));
    EXPECT_FALSE(EnglishInterface());
}

// Japanese without a catalogue, English with the built one; unloaded after each case so
// the other window tests keep their Japanese texts.
class WithCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterProgramMessages();
        english_ = LoadInterfaceLanguage(2, QStringLiteral(FOLIVEX_BIN_DIR "/"));
        ASSERT_TRUE(english_) << "no " FOLIVEX_BIN_DIR "/translations/folivex_en.qm";
    }
    void TearDown() override { UnloadInterfaceLanguage(); }
    bool english_ = false;
};

TEST_F(WithCatalogue, MessagesAreTranslatedByTheirPatternsWithTheirValues) {
    struct Case {
        std::string shown; // as the plain code made it
        const char* english;
    } cases[] = {
        {FormatMessage(msg::kCannotOpen, "/x/ｱﾙﾊﾞﾑ %s.ajv"),
         "Cannot open the file /x/ｱﾙﾊﾞﾑ %s.ajv"},
        {FormatMessage(msg::kIndexOutOfRange, 42), "List index out of bounds (42)"},
        {FormatMessage(msg::kArchiveEntryDamaged, "a.jpg") + "\n(crc error)",
         "The file a.jpg in the archive is damaged.\n(crc error)"},
        {FormatMessage(FormatMessage(msg::kSPIInvalidAPI, "GetPicture"), "x.spi"),
         "GetPicture is not a Susie plug-in function that [x.spi] offers"},
        {std::string(msg::kUnknownPictureFormat), "Unknown picture format"},
        {"no message of the program", "no message of the program"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShownMessage(QString::fromStdString(c.shown)).toStdString(), c.english);
    const Error error(FormatMessage(msg::kCannotWrite, "/home/u/Folmo.INI"));
    EXPECT_EQ(ShownMessage(error).toStdString(), "Cannot write to /home/u/Folmo.INI");
}

TEST_F(WithCatalogue, CaptionsFiltersAndTheRootTitle) {
    EXPECT_EQ(WindowCaption(true, "旅行").toStdString(), "Folivex [Album Viewing Mode] - 旅行");
    EXPECT_EQ(WindowCaption(false, "ルート").toStdString(), "Folivex - Root");
    EXPECT_EQ(ShownFilter(QStringLiteral("設定ﾌｧｲﾙ(*.ajv)|*.ajv|PNG files|*.png")).toStdString(),
              "Album files (*.ajv)|*.ajv|PNG files|*.png");
    UnloadInterfaceLanguage();
    EXPECT_EQ(WindowCaption(true, "旅行").toStdString(), "Folivex[ｱﾙﾊﾞﾑﾌｧｲﾙ閲覧ﾓｰﾄﾞ] - 旅行");
    EXPECT_EQ(WindowCaption(false, "ルート").toStdString(), "Folivex - ルート");
    EXPECT_EQ(
        ShownMessage(QString::fromStdString(FormatMessage(msg::kCannotOpen, "/x"))).toStdString(),
        "ﾌｧｲﾙ /x は開けません");
}

} // namespace
} // namespace folivex
