#include "view/SettingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace folivex;
namespace fs = std::filesystem;

namespace {

struct TempIni {
    TempIni() {
        char tmpl[] = "/tmp/folivex-settings-XXXXXX";
        folder = ::mkdtemp(tmpl);
        path = folder + "/Folmo.INI";
    }
    ~TempIni() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string Text() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::string folder, path;
};

} // namespace

TEST(SettingsFile, FirstStartDefaults) {
    TempIni file;
    IniFile ini(file.path);
    Settings s;
    AlbumState a;
    ReadSettingsFile(ini, s, a);
    EXPECT_EQ(a.pictureFolder, "OnDesk");
    EXPECT_TRUE(s.thumbnails);
    EXPECT_EQ(s.thumbnailSize, 32);
    EXPECT_EQ(a.rate, 85);
    EXPECT_FALSE(s.maxOpen);
    EXPECT_EQ(a.page.openMode, 1);
    EXPECT_EQ(a.page.splitMode, 0);
    EXPECT_EQ(a.coverColor, "clWhite");
    EXPECT_EQ(a.pageColor, "clWhite");
    EXPECT_EQ(a.acInterval, 5);
    EXPECT_EQ(s.susieLoc, 1);
    EXPECT_FALSE(s.resumeOnOpen);
    EXPECT_EQ(s.language, 0); // automatic: the locale chooses
    EXPECT_EQ(ReadLanguageSetting(ini), 0);
    EXPECT_FALSE(fs::exists(file.path)) << "reading must not create the file";
}

// Each value is written from its one owner -- the album state or the preferences -- and
// comes back into the same owner.
TEST(SettingsFile, EveryValueSurvivesARestartUnderItsOwnKey) {
    TempIni file;
    IniFile ini(file.path);
    Settings s;
    AlbumState a;
    a.pictureFolder = "/home/u/写真/";
    s.thumbnails = false;
    s.thumbnailSize = 64;
    a.rate = 70;
    s.maxOpen = true;
    s.shortcutFolder = "/home/u/Desktop/";
    a.page.openMode = 0;
    s.textureFName = "/t.bmp";
    a.coverColor = "$00112233";
    a.pageColor = "clSilver";
    a.clearImage = true;
    a.page.splitMode = 1;
    a.acInterval = 9;
    s.susieLoc = 2;
    s.imgViewer = "/usr/bin/eog";
    s.shortcutFolderHistory = {"/a/", "/b/", "", "/d/", "/e/"};
    s.resumeOnOpen = true;
    s.language = 2;
    WriteSettingsFile(ini, s, a);

    const std::string text = file.Text();
    EXPECT_NE(text.find("SpilitMode=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("MaxOpen=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("SCFolderHist3=\r\n"), std::string::npos);
    // This program's own key, in a section of its own after every key of the Windows edition.
    EXPECT_NE(text.find("[Folivex]\r\nResumeOnOpen=1\r\nLanguage=2\r\n"), std::string::npos);
    // A new file keeps the keys in the order the program has always written them.
    const char* order[] = {"Current=",    "Check=",        "Size=",       "Rate=",
                           "MaxOpen=",    "BStandFolder=", "OpenMode=",   "TextureFName=",
                           "CoverColor=", "PageColor=",    "ClearImage=", "SpilitMode=",
                           "ACInterval=", "SusieLoc=",     "ImgViewer=",  "SCFolderHist1="};
    std::size_t at = 0;
    for (const char* key : order) {
        const std::size_t found = text.find(key, at);
        ASSERT_NE(found, std::string::npos) << key;
        at = found;
    }

    IniFile again(file.path);
    Settings rs;
    AlbumState ra;
    ReadSettingsFile(again, rs, ra);
    EXPECT_EQ(ra.pictureFolder, a.pictureFolder);
    EXPECT_EQ(rs.thumbnails, s.thumbnails);
    EXPECT_EQ(rs.thumbnailSize, s.thumbnailSize);
    EXPECT_EQ(ra.rate, a.rate);
    EXPECT_EQ(rs.maxOpen, s.maxOpen);
    EXPECT_EQ(rs.shortcutFolder, s.shortcutFolder);
    EXPECT_EQ(ra.page.openMode, a.page.openMode);
    EXPECT_EQ(rs.textureFName, s.textureFName);
    EXPECT_EQ(ra.coverColor, a.coverColor);
    EXPECT_EQ(ra.pageColor, a.pageColor);
    EXPECT_EQ(ra.clearImage, a.clearImage);
    EXPECT_EQ(ra.page.splitMode, a.page.splitMode);
    EXPECT_EQ(ra.acInterval, a.acInterval);
    EXPECT_EQ(rs.susieLoc, s.susieLoc);
    EXPECT_EQ(rs.imgViewer, s.imgViewer);
    EXPECT_EQ(rs.shortcutFolderHistory, s.shortcutFolderHistory);
    EXPECT_TRUE(rs.resumeOnOpen);
    EXPECT_EQ(rs.language, 2);
    // The start reads the language alone, before the window and its settings exist.
    EXPECT_EQ(ReadLanguageSetting(again), 2);
}
