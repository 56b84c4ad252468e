// Writing an album out as renamed copies: the naming rule, whole copies with their times,
// the album file beside them read back, archive pictures, and the runs that must leave
// nothing half done: a name taken, a stop midway.
#include "albumfile/AlbumExport.h"

#include "albumfile/AlbumText.h"
#include "core/Error.h"
#include "core/TextCodec.h"
#include "support/ArchiveMaker.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace folivex {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Spit(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> NamesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

long long MTimeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mtim.tv_sec * 1000000000ll + info.st_mtim.tv_nsec;
}

class AlbumExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(root);
        fs::create_directories(pics);
        fs::create_directories(out);
        // Contents differ in size, so a copy of the wrong picture or a cut copy shows.
        const std::vector<std::pair<std::string, std::string>> files{
            {"b.JPG", std::string(70000, 'b')}, {"a.png", "aa"}, {"c.Jpeg", std::string(3, 'c')}};
        for (const auto& [name, bytes] : files) {
            Spit(pics / name, bytes);
            const timespec times[2] = {{0, UTIME_OMIT}, {1500000000, 123456789}};
            ::utimensat(AT_FDCWD, (pics / name).c_str(), times, 0);
        }
        state.pictureFolder = pics.string() + "/";
        state.albumTitle = "旅行";
        list.SetRowCount(1);
        // Album order, not name order; one row blank.
        list.Append({"b.JPG", "一枚目のコメント", ""});
        list.Append({"a.png", "", ""});
        list.Append({"", "", ""});
        list.Append({"c.Jpeg", "third", ""});
    }
    void TearDown() override { fs::remove_all(root); }

    ExportFormat Format(int digits = 3, int step = 1) const {
        return {"IMG", "_x", digits, step, out.string()};
    }

    const fs::path root = fs::temp_directory_path() / ("export-" + std::to_string(::getpid()));
    fs::path pics = root / "pics";
    fs::path out = root / "out";
    AlbumState state;
    PictureList list;
};

TEST(ExportFileName, SerialNumberAndLowerCaseExtension) {
    struct Case {
        int digits;
        long long number;
        const char* source;
        const char* name;
    };
    const Case cases[] = {
        {3, 1, "x.JPG", "P001_e.jpg"},         {3, 30, "x.Jpeg", "P030_e.jpeg"},
        {0, 30, "x.png", "P30_e.png"},         {2, 100, "x.png", "P100_e.png"}, // never cut
        {10, 7, "x.gif", "P0000000007_e.gif"}, {3, 1, "README", "P001_e"},
        {3, 1, "d.dir/file", "P001_e"}, // a folder's dot
        {3, 1, "sub/y.TIFF", "P001_e.tiff"},   {3, 1, "a.b.BMP", "P001_e.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(ExportFileName({"P", "_e", c.digits, 1, "/o"}, c.number, c.source), c.name);
    }
}

TEST_F(AlbumExportTest, TheStepIsTheFirstNumberAndTheIncrement) {
    struct Case {
        int digits, step;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {3, 1, {"IMG001_x.jpg", "IMG002_x.png", "IMG003_x.jpeg"}},
        {3, 10, {"IMG010_x.jpg", "IMG020_x.png", "IMG030_x.jpeg"}},
        {0, 10, {"IMG10_x.jpg", "IMG20_x.png", "IMG30_x.jpeg"}},
    };
    for (const Case& c : cases) {
        AlbumExport job(state, list, Format(c.digits, c.step));
        std::vector<std::string> names;
        for (const auto& item : job.Items())
            names.push_back(item.name);
        EXPECT_EQ(names, c.names);
    }
}

TEST_F(AlbumExportTest, CopiesAreWholeKeepTheirTimesAndTheAlbumReadsBack) {
    AlbumExport job(state, list, Format());
    std::vector<std::size_t> seen;
    const auto result = job.Run([&seen](std::size_t done, std::size_t total) {
        EXPECT_EQ(total, 3u);
        seen.push_back(done);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(result.written, 3u);
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.albumPath, (out / "旅行.ajv").string());
    EXPECT_EQ(NamesIn(out),
              (std::set<std::string>{"IMG001_x.jpg", "IMG002_x.png", "IMG003_x.jpeg", "旅行.ajv"}));
    const std::pair<const char*, const char*> copies[] = {
        {"b.JPG", "IMG001_x.jpg"}, {"a.png", "IMG002_x.png"}, {"c.Jpeg", "IMG003_x.jpeg"}};
    for (const auto& [source, copy] : copies) {
        EXPECT_EQ(Slurp(out / copy), Slurp(pics / source)) << copy;
        EXPECT_EQ(MTimeOf(out / copy), MTimeOf(pics / source)) << copy;
    }
    EXPECT_EQ(NamesIn(pics), (std::set<std::string>{"a.png", "b.JPG", "c.Jpeg"}));

    // The album file is CP932 text that the album reader opens with the new names.
    const std::string bytes = ReadAlbumFileBytes(result.albumPath);
    EXPECT_NE(bytes.find(EncodeFileText("一枚目のコメント\r\n")), std::string::npos);
    AlbumState read;
    PictureList pictures;
    ASSERT_EQ(ApplyAlbumLines(SplitAlbumLines(bytes), result.albumPath, read, pictures, {}),
              AlbumReadOutcome::Loaded);
    EXPECT_EQ(read.pictureFolder, out.string() + "/");
    EXPECT_EQ(read.albumTitle, "旅行");
    ASSERT_EQ(pictures.RowCount(), 4);
    EXPECT_EQ(pictures.FileName(1), "IMG001_x.jpg");
    EXPECT_EQ(pictures.Comment(1), "一枚目のコメント");
    EXPECT_EQ(pictures.FileName(3), "IMG003_x.jpeg");
    EXPECT_EQ(pictures.Comment(3), "third");

    // Another album of that title in that folder is never replaced.
    EXPECT_EQ(job.FreeAlbumPath(), (out / "旅行 (2).ajv").string());
}

TEST_F(AlbumExportTest, ATakenNameIsFoundFirstAndNeverOverwritten) {
    Spit(out / "IMG002_x.png", "mine");
    AlbumExport job(state, list, Format());
    EXPECT_EQ(job.FirstExistingTarget(), (out / "IMG002_x.png").string());

    // Taken after the check (another program): the run stops there with the file's error;
    // the copy before it is whole, the taken file untouched, no temporary file stays.
    try {
        job.Run({});
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  FormatMessage(msg::kCannotCreate, (out / "IMG002_x.png").string()));
    }
    EXPECT_EQ(Slurp(out / "IMG002_x.png"), "mine");
    EXPECT_EQ(NamesIn(out), (std::set<std::string>{"IMG001_x.jpg", "IMG002_x.png"}));
    EXPECT_EQ(Slurp(out / "IMG001_x.jpg"), Slurp(pics / "b.JPG"));
}

TEST_F(AlbumExportTest, AStopMidwayLeavesOnlyWholeCopiesAndNoAlbum) {
    AlbumExport job(state, list, Format());
    const auto result = job.Run([](std::size_t done, std::size_t) { return done < 2; });
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.written, 2u);
    EXPECT_TRUE(result.albumPath.empty());
    EXPECT_EQ(NamesIn(out), (std::set<std::string>{"IMG001_x.jpg", "IMG002_x.png"}));
    EXPECT_EQ(Slurp(out / "IMG001_x.jpg"), Slurp(pics / "b.JPG"));
    EXPECT_EQ(Slurp(out / "IMG002_x.png"), Slurp(pics / "a.png"));
}

TEST_F(AlbumExportTest, PicturesOfAnArchiveAreWrittenOutToo) {
    const fs::path book = pics / "book.cbz";
    test::WriteArchiveFile(book.string(), test::MakeRawZip({{"sub/p1.JPG", "first"},
                                                            {"p2.png", std::string(5000, 'z')}}));
    state.pictureFolder = book.string() + "/";
    state.albumTitle = "book";
    list.Reset();
    list.MutableAt(1) = {"sub/p1.JPG", "", ""};
    list.Append({"p2.png", "two", ""});
    AlbumExport job(state, list, Format(2, 5));
    const auto result = job.Run({});
    EXPECT_EQ(result.written, 2u);
    EXPECT_EQ(NamesIn(out), (std::set<std::string>{"IMG05_x.jpg", "IMG10_x.png", "book.ajv"}));
    EXPECT_EQ(Slurp(out / "IMG05_x.jpg"), "first");
    EXPECT_EQ(Slurp(out / "IMG10_x.png"), std::string(5000, 'z'));
    EXPECT_EQ(MTimeOf(out / "IMG05_x.jpg"), MTimeOf(book)) << "an entry takes its archive's time";
}

TEST_F(AlbumExportTest, TextsThatReachOutsideTheFolderAreRefused) {
    for (const ExportFormat& f :
         {ExportFormat{"../up", "", 3, 1, out.string()},
          ExportFormat{"IMG", std::string("a\0b", 3), 3, 1, out.string()}}) {
        EXPECT_THROW(AlbumExport(state, list, f), Error);
    }
    EXPECT_TRUE(NamesIn(out).empty());
}

} // namespace
} // namespace folivex
