// The reading-position store: what a restart finds again, where a kept position lands
// in a changed list, the cap, and store files that must read as empty.
#include "view/ReadingPositions.h"

#include "core/Error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace folivex {
namespace {

namespace fs = std::filesystem;

struct TempStore {
    fs::path folder = fs::temp_directory_path() / ("positions-" + std::to_string(::getpid()));
    std::string path = (folder / ReadingPositions::kFileName).string();
    std::int64_t now = 1000;
    TempStore() {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~TempStore() { fs::remove_all(folder); }
    ReadingPositions Make() {
        return ReadingPositions(path, [this] { return now++; });
    }
    void Write(const std::string& bytes) const { std::ofstream(path, std::ios::binary) << bytes; }
};

PictureList ListOf(const std::vector<std::string>& names) {
    PictureList list;
    list.SetRowCount(1);
    for (const auto& n : names)
        list.Append({n, "", ""});
    return list;
}

TEST(ReadingPositions, KeptSpreadsSurviveARestartByteForByte) {
    TempStore store;
    // Album names are paths: any byte but NUL, not always UTF-8, tabs and breaks too.
    const std::string odd = std::string("/p/tab\there/line\nbreak/100%/\xff\xfe/", 24);
    {
        auto positions = store.Make();
        positions.Load();
        positions.Keep("/a/book.cbz/", {"p07.jpg", 7, 0, 0});
        positions.Keep("/a/AJVs/旅行.ajv", {"img 3.JPG", 3, 1, 0});
        positions.Keep(odd, {"x\t%y.png", 2, 0, 0});
        positions.Keep("/a/book.cbz/", {"p09.jpg", 9, 0, 0}); // later wins
        positions.Keep("", {"lost.jpg", 1, 0, 0});            // no album: not kept
        EXPECT_TRUE(positions.Changed());
        positions.Save();
        EXPECT_FALSE(positions.Changed());
    }
    auto again = store.Make();
    again.Load();
    ASSERT_EQ(again.Size(), 3u);
    const ReadingPosition* book = again.Find("/a/book.cbz/");
    ASSERT_NE(book, nullptr);
    EXPECT_EQ(book->fileName, "p09.jpg");
    EXPECT_EQ(book->index, 9);
    EXPECT_EQ(book->time, 1003);
    const ReadingPosition* album = again.Find("/a/AJVs/旅行.ajv");
    ASSERT_NE(album, nullptr);
    EXPECT_EQ(album->fileName, "img 3.JPG");
    EXPECT_EQ(album->splitMode, 1);
    const ReadingPosition* strange = again.Find(odd);
    ASSERT_NE(strange, nullptr);
    EXPECT_EQ(strange->fileName, "x\t%y.png");
    EXPECT_EQ(again.Find("/a/"), nullptr);
    EXPECT_FALSE(again.Changed()) << "a restart that turns no page writes nothing";
}

TEST(ReadingPositions, AKeptPositionFindsItsPictureInAChangedList) {
    struct Case {
        const char* what;
        std::vector<std::string> list;
        ReadingPosition kept;
        int row;
    };
    const std::vector<std::string> abcd{"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
    const Case cases[] = {
        {"unchanged", abcd, {"c.jpg", 3, 0, 0}, 3},
        {"reordered: by name", {"d.jpg", "c.jpg", "b.jpg", "a.jpg"}, {"c.jpg", 3, 0, 0}, 2},
        {"renamed: the kept row", {"a.jpg", "b.jpg", "C2.jpg", "d.jpg"}, {"c.jpg", 3, 0, 0}, 3},
        {"removed past the end: clamped", {"a.jpg", "b.jpg"}, {"d.jpg", 4, 0, 0}, 2},
        {"doubled name: the kept one", {"x.jpg", "a.jpg", "x.jpg"}, {"x.jpg", 3, 0, 0}, 3},
        {"doubled name moved: the first",
         {"x.jpg", "a.jpg", "b.jpg", "x.jpg"},
         {"x.jpg", 3, 0, 0},
         1},
        {"empty list", {}, {"a.jpg", 1, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ResumeRow(c.kept, ListOf(c.list)), c.row);
    }
}

TEST(ReadingPositions, TheOldestGoPastAThousand) {
    TempStore store;
    auto positions = store.Make();
    for (int i = 0; i < 1000; ++i)
        positions.Keep("/album" + std::to_string(i) + "/", {"p.jpg", 1, 0, 0});
    positions.Keep("/album0/", {"q.jpg", 2, 0, 0}); // read again: the newest now
    positions.Keep("/album1000/", {"p.jpg", 1, 0, 0});
    EXPECT_EQ(positions.Size(), ReadingPositions::kMaxEntries);
    EXPECT_EQ(positions.Find("/album1/"), nullptr) << "the least recently read went";
    EXPECT_NE(positions.Find("/album0/"), nullptr);
    positions.Save();

    auto again = store.Make();
    again.Load();
    EXPECT_EQ(again.Size(), ReadingPositions::kMaxEntries);
    again.Keep("/album1001/", {"p.jpg", 1, 0, 0});
    EXPECT_EQ(again.Find("/album2/"), nullptr) << "the order survives the restart";
    EXPECT_NE(again.Find("/album0/"), nullptr);
}

TEST(ReadingPositions, ADamagedStoreReadsAsEmpty) {
    const std::string header = "Folivex reading positions 1\n";
    const std::string good = "5\t0\t3\t/a/\tc.jpg\n";
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty file", ""},
        {"other header", "Folivex reading positions 2\n" + good},
        {"cut in a line", header + good + "6\t0\t4\t/b/\td.j"},
        {"four fields", header + "5\t0\t3\t/a/\n"},
        {"six fields", header + "5\t0\t3\t/a/\tc.jpg\tx\n"},
        {"row 0", header + "5\t0\t0\t/a/\tc.jpg\n"},
        {"split mode 2", header + "5\t2\t3\t/a/\tc.jpg\n"},
        {"number past 32 bits", header + "5\t0\t99999999999\t/a/\tc.jpg\n"},
        {"negative time", header + "-5\t0\t3\t/a/\tc.jpg\n"},
        {"bad escape", header + "5\t0\t3\t/a%G0/\tc.jpg\n"},
        {"escape cut", header + "5\t0\t3\t/a/%4\tc.jpg\n"},
        {"no album", header + "5\t0\t3\t\tc.jpg\n"},
        {"binary", std::string("\0\xff\x01\n\t\t\t\t\n", 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempStore store;
        store.Write(c.bytes);
        auto positions = store.Make();
        positions.Load();
        EXPECT_EQ(positions.Size(), 0u);
    }

    TempStore store;
    store.Write(header + good); // the same file undamaged reads
    auto positions = store.Make();
    positions.Load();
    EXPECT_EQ(positions.Size(), 1u);

    // Larger than the cap: not read at all (a sparse file, so no disk is spent).
    fs::resize_file(store.path, ReadingPositions::kMaxFileBytes + 1);
    positions.Load();
    EXPECT_EQ(positions.Size(), 0u);
    // A folder where the file should be.
    fs::remove(store.path);
    fs::create_directory(store.path);
    positions.Load();
    EXPECT_EQ(positions.Size(), 0u);
    positions.Keep("/a/", {"c.jpg", 3, 0, 0});
    EXPECT_THROW(positions.Save(), Error) << "a store that cannot be written is reported";
    EXPECT_NE(positions.Find("/a/"), nullptr);
}

} // namespace
} // namespace folivex
