// Album file reading and writing: line splitting, the example album as stored by the
// Windows edition, round trips, and the state each failure leaves behind.
#include "albumfile/AlbumText.h"

#include "core/Error.h"
#include "core/TextCodec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace folivex {
namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

struct TempFolder {
    fs::path path;
    TempFolder() {
        path = fs::temp_directory_path() /
               ("albumtext-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
    static inline int counter = 0;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(SplitAlbumLines, LineEndsNulAndEncodings) {
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\rb\nc", {"a", "b", "c"}},
        {"a\n\rb", {"a", "", "b"}},
        {"x\r\n\r\n", {"x", ""}},
        {std::string("a\r\nb\0c\r\nd", 10), {"a", "b"}},
        {"\x95\x5C\x8E\x86\r\n", {"表紙"}}, // 0x5C trail byte is no separator
        {"\xEF\xBB\xBF\xE3\x81\x82\r\nb", {"あ", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitAlbumLines(c.bytes), c.lines) << c.bytes;
}

// The two-picture example album, as CP932 bytes with CR LF.
const std::string kExampleBytes =
    "2\r\n"
    "IMG001.JPG\r\n"
    "\x95\x6C\x95\xD3\x82\xC9\x82\xC4\r\n" // 浜辺にて
    "IMG002.JPG\r\n"
    "\r\n"
    "0\r\n"
    "1\r\n"
    "\r\n"
    "clWhite\r\n"
    "clWhite\r\n"
    "0\r\n"
    "\x89\xC4\x8B\x78\x82\xDD\r\n" // 夏休み
    "\r\n"
    "C:\\\x8E\xCA\x90\x5E\\\x89\xC4\\\r\n"; // the folder C:/写真/夏/ in Windows form

TEST(AlbumText, ExampleAlbumReadsToItsStateAndWritesBackIdentically) {
    AlbumState state;
    state.page.splitMode = 1;
    state.page.openMode = 0;
    state.coverColor = "clRed";
    PictureList pictures;
    int textureCalls = 0;
    AlbumTextureHooks hooks{[&](const std::string&) {
                                ++textureCalls;
                                return Bitmap24();
                            },
                            nullptr};

    EXPECT_EQ(ApplyAlbumLines(SplitAlbumLines(kExampleBytes), "/a/b.ajv", state, pictures, hooks),
              AlbumReadOutcome::Loaded);

    ASSERT_EQ(pictures.RowCount(), 3);
    EXPECT_EQ(pictures.At(1).fileName, "IMG001.JPG");
    EXPECT_EQ(pictures.At(1).comment, "浜辺にて");
    EXPECT_EQ(pictures.At(1).number, "1");
    EXPECT_EQ(pictures.At(2).fileName, "IMG002.JPG");
    EXPECT_EQ(pictures.At(2).comment, "");
    EXPECT_EQ(pictures.At(2).number, "2");
    EXPECT_EQ(state.page.splitMode, 0);
    EXPECT_EQ(state.page.openMode, 1);
    EXPECT_EQ(state.albumTexture, "");
    EXPECT_EQ(textureCalls, 0);
    EXPECT_EQ(state.coverColor, "clWhite");
    EXPECT_EQ(state.pageColor, "clWhite");
    EXPECT_EQ(state.coverMode, 0);
    EXPECT_EQ(state.albumTitle, "夏休み");
    EXPECT_EQ(state.coverPicture, "");
    EXPECT_EQ(state.pictureFolder, "C:\\写真\\夏\\");

    EXPECT_EQ(EncodeFileText(BuildAlbumText(state, pictures)), kExampleBytes);
}

void FillAlbum(AlbumState& state, PictureList& pictures, const std::string& comment) {
    pictures.MutableAt(1) = {"a b.jpg", comment, "1"};
    pictures.Append({"表紙.png", "", "2"});
    pictures.Append({"c.jpg", "三行目", "3"});
    state.page.splitMode = 1;
    state.page.openMode = 0;
    state.albumTexture = "/usr/share/tex.jpg";
    state.coverColor = "$00123456";
    state.pageColor = "clBtnFace";
    state.coverMode = 1;
    state.albumTitle = "旅 行";
    state.coverPicture = "表紙.png";
    state.pictureFolder = "/home/u/写真/";
}

TEST(AlbumText, RoundTripIsByteIdenticalInBothEncodings) {
    for (const std::string comment : {"浜辺にて", "Straße 😀"}) {
        TempFolder dir;
        AlbumState state;
        PictureList pictures;
        FillAlbum(state, pictures, comment);
        WriteAlbumFile(dir.File("one.ajv"), state, pictures);
        const std::string first = Slurp(dir.File("one.ajv"));

        AlbumState read;
        PictureList readList;
        ASSERT_EQ(ApplyAlbumLines(SplitAlbumLines(ReadAlbumFileBytes(dir.File("one.ajv"))),
                                  dir.File("one.ajv"), read, readList, {}),
                  AlbumReadOutcome::Loaded);
        EXPECT_EQ(readList.At(1).comment, comment);
        EXPECT_EQ(read.albumTitle, "旅 行");
        EXPECT_EQ(read.pictureFolder, "/home/u/写真/");
        WriteAlbumFile(dir.File("two.ajv"), read, readList);
        EXPECT_EQ(Slurp(dir.File("two.ajv")), first);
        EXPECT_EQ(first.rfind("\xEF\xBB\xBF", 0) == 0, comment.find("😀") != std::string::npos);
    }
}

TEST(AlbumText, WriterKeepsEveryValueOnItsLine) {
    AlbumState state;
    state.coverMode = 2;
    state.albumTitle = "two\r\nlines";
    state.pictureFolder = "/p/";
    PictureList empty;
    EXPECT_EQ(BuildAlbumText(state, empty),
              "1\r\n\r\n\r\n0\r\n1\r\n\r\nclWhite\r\nclWhite\r\n0\r\ntwo  lines\r\n\r\n/p/\r\n");
    PictureList none;
    none.SetRowCount(1);
    EXPECT_EQ(BuildAlbumText(state, none), BuildAlbumText(state, empty));
}

// What a failing file leaves behind: what was set before the failure stays.
struct FailureCase {
    const char* name;
    std::string bytes;
    std::string error;
    std::function<void(const AlbumState&, const PictureList&)> check;
};

TEST(AlbumText, FailuresStopWhereTheFileGoesWrong) {
    const std::string tail = "0\r\n1\r\n\r\nclRed\r\nclBlue\r\n1\r\nT\r\nc.jpg\r\n/f/\r\n";
    const FailureCase cases[] = {
        {"empty file", "", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (0)",
         [](const AlbumState& s, const PictureList& p) {
             EXPECT_EQ(p.RowCount(), 2);
             EXPECT_TRUE(p.IsEmpty());
             EXPECT_EQ(s.page.splitMode, 7);
         }},
        {"count not integer", "x2\r\n" + tail, "'x2' は整数ではありません",
         [](const AlbumState&, const PictureList& p) { EXPECT_EQ(p.RowCount(), 2); }},
        {"count beyond pairs", "3\r\na\r\nc1\r\nb\r\nc2\r\n0\r\n1\r\n",
         "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (7)",
         [](const AlbumState& s, const PictureList& p) {
             ASSERT_EQ(p.RowCount(), 4);
             EXPECT_EQ(p.At(3).fileName, "0");
             EXPECT_EQ(p.At(3).comment, "1");
             EXPECT_EQ(s.page.splitMode, 7);
         }},
        {"comment missing", "2\r\na\r\nc\r\nb", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (4)",
         [](const AlbumState&, const PictureList& p) {
             ASSERT_EQ(p.RowCount(), 3);
             EXPECT_EQ(p.At(2).fileName, "b");
             EXPECT_EQ(p.At(1).number, "1");
         }},
        {"split mode not integer", "1\r\na\r\n\r\nfour\r\n", "'four' は整数ではありません",
         [](const AlbumState& s, const PictureList& p) {
             EXPECT_EQ(p.At(1).fileName, "a");
             EXPECT_EQ(s.page.splitMode, 7);
         }},
        {"open mode missing", "1\r\na\r\n\r\n1\r\n", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (4)",
         [](const AlbumState& s, const PictureList&) {
             EXPECT_EQ(s.page.splitMode, 1);
             EXPECT_EQ(s.page.openMode, 7);
         }},
        {"texture unreadable", "1\r\na\r\n\r\n1\r\n0\r\n/no.jpg\r\nclRed\r\n",
         "ﾌｧｲﾙ /no.jpg は開けません",
         [](const AlbumState& s, const PictureList&) {
             EXPECT_EQ(s.page.openMode, 0);
             EXPECT_EQ(s.albumTexture, "/no.jpg");
             EXPECT_EQ(s.coverColor, "old");
         }},
        {"cover mode not integer", "0\r\n0\r\n1\r\n\r\nclRed\r\nclBlue\r\ntitle\r\n",
         "'title' は整数ではありません",
         [](const AlbumState& s, const PictureList& p) {
             EXPECT_EQ(p.RowCount(), 2);
             EXPECT_EQ(s.coverColor, "clRed");
             EXPECT_EQ(s.pageColor, "clBlue");
             EXPECT_EQ(s.coverMode, 7);
             EXPECT_EQ(s.albumTitle, "old");
         }},
        {"cover picture missing", "0\r\n0\r\n1\r\n\r\n\r\n\r\n1\r\nT\r\n",
         "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (8)",
         [](const AlbumState& s, const PictureList&) {
             EXPECT_EQ(s.coverMode, 1);
             EXPECT_EQ(s.albumTitle, "T");
             EXPECT_EQ(s.coverPicture, "old");
         }},
        {"count negative", "-1\r\n" + tail, "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)",
         [](const AlbumState&, const PictureList& p) { EXPECT_EQ(p.RowCount(), 2); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AlbumState state;
        state.page.splitMode = state.page.openMode = state.coverMode = 7;
        state.coverColor = state.pageColor = state.albumTitle = state.coverPicture = "old";
        PictureList pictures;
        pictures.MutableAt(1).fileName = "before";
        pictures.Append({"before2", "", ""});
        AlbumTextureHooks hooks{[](const std::string& path) -> Bitmap24 {
                                    throw Error(FormatMessage(msg::kCannotOpen, path));
                                },
                                nullptr};
        try {
            ApplyAlbumLines(SplitAlbumLines(c.bytes), "/x/a.ajv", state, pictures, hooks);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
        c.check(state, pictures);
    }
}

TEST(AlbumText, EmptyFolderLineResetsTheListAndKeepsTheLook) {
    AlbumState state;
    state.pictureFolder = "/before/";
    PictureList pictures;
    int shown = 0;
    AlbumTextureHooks hooks{[](const std::string&) { return Bitmap24(2, 2); },
                            [&](Bitmap24&& b) { shown += b.width; }};
    const std::string bytes = "1\r\na\r\nc\r\n1\r\n0\r\n/t.jpg\r\nclRed\r\n\r\n1\r\nT\r\n\r\n\r\n";
    EXPECT_EQ(ApplyAlbumLines(SplitAlbumLines(bytes), "/x/a.ajv", state, pictures, hooks),
              AlbumReadOutcome::FolderLineEmpty);
    EXPECT_EQ(pictures.RowCount(), 2);
    EXPECT_TRUE(pictures.IsEmpty());
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(state.page.splitMode, 1);
    EXPECT_EQ(state.coverColor, "clRed");
    EXPECT_EQ(state.pageColor, "clWhite");
    EXPECT_EQ(state.albumTitle, "T");
    EXPECT_EQ(state.pictureFolder, "/before/");
}

TEST(AlbumText, CountZeroAndFolderFallbacks) {
    const struct {
        std::string bytes;
        std::string albumPath;
        std::string folder;
    } cases[] = {
        {"0\r\n0\r\n1\r\n\r\n\r\n\r\n\r\n\r\n\r\n", "/albums/x.ajv", "/albums/"},
        {"0\r\n0\r\n1\r\n\r\n\r\n\r\n\r\n\r\n\r\n/pics\r\nignored\r\n", "/a/x.ajv", "/pics/"},
        {"0\r\n0\r\n1\r\n\r\n\r\n\r\n\r\n\r\n\r\n", "rel.ajv", fs::current_path().string() + "/"},
    };
    for (const auto& c : cases) {
        AlbumState state;
        state.albumTitle = "kept";
        state.coverMode = 1;
        PictureList pictures;
        pictures.MutableAt(1).fileName = "old";
        ASSERT_EQ(ApplyAlbumLines(SplitAlbumLines(c.bytes), c.albumPath, state, pictures, {}),
                  AlbumReadOutcome::Loaded);
        EXPECT_EQ(pictures.RowCount(), 2);
        EXPECT_TRUE(pictures.IsEmpty());
        EXPECT_EQ(state.albumTitle, "kept");
        EXPECT_EQ(state.coverMode, 1);
        EXPECT_EQ(state.pictureFolder, c.folder);
    }
}

TEST(AlbumText, UnreadableFilesRaiseCannotOpen) {
    TempFolder dir;
    Spit(dir.File("huge.ajv"), "");
    fs::resize_file(dir.File("huge.ajv"), kMaxAlbumFileBytes + 1);
    for (const std::string& path :
         {dir.File("missing.ajv"), dir.path.string(), dir.File("huge.ajv")}) {
        try {
            ReadAlbumFileBytes(path);
            ADD_FAILURE() << path;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + path + " は開けません");
        }
    }
}

TEST(AlbumText, ReplacingWriteKeepsOldFileOnFailureAndLeavesNoTemporary) {
    TempFolder dir;
    const std::string path = dir.File("a.ajv");
    Spit(path, "old");
    ::chmod(path.c_str(), 0640);
    WriteFileReplacing(path, "new");
    EXPECT_EQ(Slurp(path), "new");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);

    const std::string nowhere = dir.File("no/such/a.ajv");
    EXPECT_THROW(WriteFileReplacing(nowhere, "x"), Error);
    try {
        WriteFileReplacing(nowhere, "x");
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "ﾌｧｲﾙ " + nowhere + " を作成できません");
    }
    if (::geteuid() != 0) {
        fs::permissions(dir.path, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_THROW(WriteFileReplacing(path, "lost"), Error);
        EXPECT_EQ(Slurp(path), "new");
    }
}

} // namespace
} // namespace folivex
