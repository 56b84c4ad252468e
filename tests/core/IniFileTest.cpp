#include "core/IniFile.h"

#include "core/Error.h"
#include "core/Settings.h"
#include "core/TextCodec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

using namespace folivex;
namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder() {
        char tmpl[] = "/tmp/folivex-ini-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        fs::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(ParseInteger, AcceptsTheSettingsFormsOnly) {
    struct Case {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"32", 32},
        {"0x20", 32},
        {"0X1f", 31},
        {"$FF", 255},
        {" -7", -7},
        {"0x", {}},
        {"", {}},
        {"12a", {}},
        {"abc", {}},
        {"2147483647", 2147483647},
        {"2147483648", {}},
        {"$FFFFFFFF", -1},
        {"$80000005", int(0x80000005u)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseInteger(c.text), c.value) << c.text;
}

TEST(IniFile, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
    TempFolder dir;
    IniFile ini(dir.File("Folmo.INI"));
    EXPECT_EQ(ini.ReadString("Folder", "Current", "OnDesk"), "OnDesk");
    EXPECT_EQ(ini.ReadInteger("Thum", "Size", 32), 32);
    ini.WriteInteger("Thum", "Size", 48);
    EXPECT_EQ(ReadAll(dir.File("Folmo.INI")), "[Thum]\r\nSize=48\r\n");
}

TEST(IniFile, KeepsForeignSectionsAndCommentsAndMatchesWithoutCase) {
    TempFolder dir;
    const std::string path = dir.File("Folmo.INI");
    WriteAll(path, "; kept comment\r\n[Other]\r\nx=1\r\n\r\n[conf]\r\nRATE=70\r\nUnknown=yes\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Conf", "Rate", 85), 70);
    ini.WriteInteger("CONF", "rate", 90);
    ini.WriteString("Conf", "ImgViewer", "/usr/bin/eog");
    ini.WriteString("Hist", "SCFolderHist1", "");
    EXPECT_EQ(ReadAll(path),
              "; kept comment\r\n[Other]\r\nx=1\r\n\r\n[conf]\r\nrate=90\r\n"
              "Unknown=yes\r\nImgViewer=/usr/bin/eog\r\n[Hist]\r\nSCFolderHist1=\r\n");
    EXPECT_EQ(ini.ReadString("hist", "scfolderhist1", "x"), "");
}

TEST(IniFile, IntegerAndFlagRules) {
    TempFolder dir;
    const std::string path = dir.File("Folmo.INI");
    WriteAll(path, "[Thum]\r\nSize=0x20\r\nCheck=7\r\n[Conf]\r\nRate=lots\r\nMaxOpen=0\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("Thum", "Size", 0), 32);
    EXPECT_TRUE(ini.ReadBool("Thum", "Check", false));
    EXPECT_EQ(ini.ReadInteger("Conf", "Rate", 85), 85);
    EXPECT_FALSE(ini.ReadBool("Conf", "MaxOpen", true));
}

TEST(IniFile, TextValuesAreCutToTheReadBuffer) {
    TempFolder dir;
    IniFile ini(dir.File("Folmo.INI"));
    ini.WriteString("Folder", "Current", std::string(2000, 'a'));
    EXPECT_EQ(ini.ReadString("Folder", "Current", "").size(), 1023u);
    // 600 full-width characters are 1200 CP932 bytes: 511 fit, never half of one.
    std::string wide;
    for (int i = 0; i < 600; ++i)
        wide += "写";
    ini.WriteString("Folder", "Current", wide);
    EXPECT_EQ(Cp932Length(ini.ReadString("Folder", "Current", "")), 1022u);
}

TEST(IniFile, JapaneseIsStoredAsCp932AndUnrepresentableNamesSurvive) {
    TempFolder dir;
    const std::string path = dir.File("Folmo.INI");
    IniFile ini(path);
    ini.WriteString("Folder", "Current", "/home/u/写真/");
    EXPECT_NE(ReadAll(path).find("\x8E\xCA\x90\x5E"), std::string::npos);
    ini.WriteString("Conf", "TextureFName", "/home/u/😀.jpg");
    EXPECT_EQ(ReadAll(path).substr(0, 3), kUtf8Bom);
    EXPECT_EQ(ini.ReadString("Conf", "TextureFName", ""), "/home/u/😀.jpg");
    EXPECT_EQ(ini.ReadString("Folder", "Current", ""), "/home/u/写真/");
}

TEST(IniFile, UnwritableFileRaisesTheWriteErrorAndKeepsTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root can write anywhere";
    TempFolder dir;
    const std::string path = dir.File("Folmo.INI");
    WriteAll(path, "[Conf]\r\nRate=70\r\n");
    ::chmod(dir.path().c_str(), 0500);
    IniFile ini(path);
    try {
        ini.WriteInteger("Conf", "Rate", 90);
        FAIL() << "write succeeded";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), path + " に書き込めません");
    }
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(ReadAll(path), "[Conf]\r\nRate=70\r\n");
}

TEST(IniFile, ASettingsPathThatCannotBeReplacedFailsWithThePath) {
    TempFolder dir;
    const std::string path = dir.File("Folmo.INI");
    fs::create_directories(path + "/inside");
    IniFile ini(path);
    try {
        ini.WriteInteger("Conf", "Rate", 90);
        FAIL() << "write succeeded";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), path + " に書き込めません");
    }
    EXPECT_TRUE(fs::is_directory(path + "/inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "no temporary file may be left behind";
}

TEST(IniFile, WriteIntoAMissingFolderFailsWithThePath) {
    IniFile ini("/nonexistent-folivex-folder/Folmo.INI");
    EXPECT_THROW(ini.WriteInteger("Conf", "Rate", 1), Error);
}

TEST(IniFile, AValueThatWouldBreakItsLineIsNotWrittenAndTheKeyKeepsItsValue) {
    TempFolder dir;
    const std::string path = dir.File("Folmo.INI");
    const std::string before = "[Conf]\r\nImgViewer=/usr/bin/eog\r\n[Folder]\r\nCurrent=/pics/\r\n";
    WriteAll(path, before);
    IniFile ini(path);
    for (const std::string& value : {std::string("/p/x\n[Conf]\nImgViewer=/tmp/v\ny/"),
                                     std::string("/p/x\r/"), std::string("/p/x\0y/", 6)}) {
        ini.WriteString("Folder", "Current", value);
        EXPECT_EQ(ReadAll(path), before);
    }
    EXPECT_EQ(ini.ReadString("Folder", "Current", ""), "/pics/");
    EXPECT_EQ(ini.ReadString("Conf", "ImgViewer", ""), "/usr/bin/eog");
    ini.WriteString("Folder", "Current", "/ok/");
    EXPECT_EQ(ini.ReadString("Folder", "Current", ""), "/ok/");
}

TEST(IniFile, AFileThatExistsButCannotBeReadIsNeverWrittenOver) {
    // /proc/self/mem is a regular file whose first page fails to read (EIO) for any
    // user, root included: a real I/O error on an existing settings file.
    IniFile ini("/proc/self/mem");
    EXPECT_EQ(ini.ReadString("Folder", "Current", "OnDesk"), "OnDesk");
    EXPECT_TRUE(ini.Unreadable());
    EXPECT_NO_THROW(ini.WriteInteger("Thum", "Size", 48)); // not even tried

    TempFolder dir;
    IniFile fine(dir.File("Folmo.INI"));
    fine.WriteInteger("Thum", "Size", 48);
    EXPECT_FALSE(fine.Unreadable());
}

TEST(Settings, PosSizeDefaultsAreTheCentredStartBounds) {
    TempFolder dir;
    IniFile ini(dir.File("Folmo.INI"));
    WindowBounds d = ReadPosSize(ini, 1366, 767);
    EXPECT_EQ(d.left, 383);
    EXPECT_EQ(d.top, 153);
    EXPECT_EQ(d.width, 600);
    EXPECT_EQ(d.height, 460);
    WritePosSize(ini, {10, 20, 800, 500});
    WindowBounds b = ReadPosSize(ini, 1366, 767);
    EXPECT_EQ(b.left, 10);
    EXPECT_EQ(b.top, 20);
    EXPECT_EQ(b.width, 800);
    EXPECT_EQ(b.height, 500);
    // A screen narrower than the window truncates toward zero.
    EXPECT_EQ(CentredStartBounds(599, 459).left, 0);
    EXPECT_EQ(CentredStartBounds(597, 457).top, -1);
}
