// The archive reader: listing and reading every format, random access, and archives
// that are damaged, hostile or locked.
#include "loading/Archive.h"

#include "LoadingTestUtil.h"
#include "support/ArchiveMaker.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <utility>

namespace folivex {
namespace {

using test::ArchiveItem;
using test::ArchiveKind;
using test::MakeArchive;
using test::MakeRawZip;
using test::RawZipItem;

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

std::vector<std::string> Names(const Archive& archive) {
    std::vector<std::string> names;
    for (const auto& e : archive.Entries())
        names.push_back(e.name);
    return names;
}

// Contents that differ in every entry and are long enough to span several blocks.
std::string ContentOf(int i, std::size_t length) {
    std::string s(length, '\0');
    for (std::size_t k = 0; k < length; ++k)
        s[k] = char((k * 31 + std::size_t(i) * 7 + (k >> 9)) & 0xFF);
    return s;
}

const std::vector<ArchiveItem> kBook = {
    {"sub/", "", true},
    {"p2.jpg", ContentOf(2, 70000)},
    {"p1.jpg", ContentOf(1, 200)},
    {"sub/p3.png", ContentOf(3, 1500000)},
    {"readme.txt", "hello"},
    {"empty.bmp", ""},
};

class EveryFormat : public ::testing::TestWithParam<ArchiveKind> {};

TEST_P(EveryFormat, ListsFilesInArchiveOrderAndReadsEachInAnyOrder) {
    auto archive = Archive::OpenMemory(MakeArchive(GetParam(), kBook), "book");
    EXPECT_EQ(Names(*archive), (std::vector<std::string>{"p2.jpg", "p1.jpg", "sub/p3.png",
                                                         "readme.txt", "empty.bmp"}));
    EXPECT_TRUE(archive->FirstFailure().empty()) << archive->FirstFailure();
    EXPECT_FALSE(archive->HasEncryptedEntries());
    EXPECT_EQ(archive->Find("sub/p3.png")->size, 1500000u);
    // Forward, backward and repeated reads all give the stored bytes.
    for (const char* name :
         {"sub/p3.png", "p1.jpg", "p2.jpg", "empty.bmp", "sub/p3.png", "readme.txt", "p2.jpg"}) {
        const auto it = std::find_if(kBook.begin(), kBook.end(),
                                     [&](const ArchiveItem& i) { return i.name == name; });
        EXPECT_EQ(archive->Read(name), Bytes(it->content)) << name;
    }
    EXPECT_THROW(archive->Read("sub"), Error);
    EXPECT_THROW(archive->Read("missing.jpg"), Error);
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryFormat,
                         ::testing::Values(ArchiveKind::ZipStored, ArchiveKind::ZipDeflate,
                                           ArchiveKind::SevenZip, ArchiveKind::Tar,
                                           ArchiveKind::TarGz),
                         [](const auto& info) { return test::ArchiveKindName(info.param); });

// Archives of libarchive's own test suite (data/archives/README): files only, in archive
// order, and entries read out of order, the solid one backward.
TEST(Archive, RarArchivesOfBothVersionsListAndRead) {
    struct Read {
        const char* name;
        std::uint32_t crc;
    };
    struct Case {
        const char* file;
        std::vector<std::string> names;
        std::vector<Read> reads;
    };
    const Case cases[] = {
        {"rar4_basic.rar", {"test.txt", "testdir/test.txt"}, {{"testdir/test.txt", 0xBEC8A242}}},
        {"rar5_multiple_files.rar",
         {"test1.bin", "test2.bin", "test3.bin", "test4.bin"},
         {{"test3.bin", 0x9FB123D9}, {"test1.bin", 0x7E13B2C6}}},
        {"rar5_solid.rar",
         {"test.bin", "test1.bin", "test2.bin", "test3.bin", "test4.bin", "test5.bin", "test6.bin"},
         {{"test1.bin", 0x7E13B2C6}, {"test.bin", 0x7CCA70CD}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto archive = Archive::OpenFile(FOLIVEX_SOURCE_DIR "/tests/loading/data/archives/" +
                                         std::string(c.file));
        EXPECT_EQ(Names(*archive), c.names);
        EXPECT_TRUE(archive->FirstFailure().empty()) << archive->FirstFailure();
        for (const Read& r : c.reads) {
            const auto bytes = archive->Read(r.name);
            EXPECT_EQ(test::Crc32(std::string(bytes.begin(), bytes.end())), r.crc) << r.name;
        }
    }
}

TEST(Archive, ZipEntriesAreReachedFromTheirOwnHeaders) {
    // Entry 1's data is ruined after the zip was written: reaching entry 3 does not read
    // through it, and entry 1 alone reports the damage.
    auto bytes = MakeArchive(ArchiveKind::ZipDeflate, {{"a.jpg", ContentOf(1, 5000)},
                                                       {"b.jpg", ContentOf(2, 5000)},
                                                       {"c.jpg", ContentOf(3, 5000)}});
    for (std::size_t i = 60; i < 400; ++i)
        bytes[i] ^= 0x5A;
    auto archive = Archive::OpenMemory(bytes, "z");
    EXPECT_EQ(archive->Read("c.jpg"), Bytes(ContentOf(3, 5000)));
    EXPECT_EQ(archive->Read("b.jpg"), Bytes(ContentOf(2, 5000)));
    EXPECT_THROW(archive->Read("a.jpg"), EArchive);
}

TEST(Archive, LeftoversOfOtherSystemsAreNotListed) {
    for (ArchiveKind kind : {ArchiveKind::ZipDeflate, ArchiveKind::Tar}) {
        auto archive = Archive::OpenMemory(MakeArchive(kind, {{"__MACOSX/", "", true},
                                                              {"__MACOSX/._page1.jpg", "fork"},
                                                              {".DS_Store", "finder"},
                                                              {"page1.jpg", "1"},
                                                              {"page2.jpg", "2"}}),
                                           "mac.cbz");
        EXPECT_EQ(Names(*archive), (std::vector<std::string>{"page1.jpg", "page2.jpg"}))
            << test::ArchiveKindName(kind);
        EXPECT_THROW(archive->Read("__MACOSX/._page1.jpg"), Error);
    }
    struct Case {
        const char* path;
        bool leftover;
    };
    for (const Case& c :
         {Case{"__MACOSX/a/p.jpg", true}, Case{"a/__macosx/p.jpg", true}, Case{"__MACOSX", true},
          Case{"a/._p.jpg", true}, Case{"a/.ds_store", true}, Case{"THUMBS.DB", true},
          Case{"Desktop.ini", true}, Case{".cover.jpg", true}, Case{"a/", true},
          Case{"../p.jpg", false}, Case{"a.b/p.jpg", false}, Case{"__MACOSX.jpg", false},
          Case{"my.DS_Store.jpg", false}, Case{"Thumbs.db.jpg", false}})
        EXPECT_EQ(IsLeftoverName(c.path), c.leftover) << c.path;
}

TEST(Archive, EntryWithAWrongChecksumIsReportedNotShown) {
    auto bytes = MakeRawZip({{"bad.jpg", ContentOf(1, 3000)}, {"good.jpg", ContentOf(2, 3000)}});
    // The stored CRC of the first entry, in its local header and in the directory.
    const std::string bad = "bad.jpg";
    for (auto at = std::search(bytes.begin(), bytes.end(), bad.begin(), bad.end());
         at != bytes.end(); at = std::search(at + 1, bytes.end(), bad.begin(), bad.end())) {
        const bool local = at - bytes.begin() == 30;
        *(at - (local ? 30 - 14 : 46 - 16)) ^= 0xFF;
    }
    auto archive = Archive::OpenMemory(bytes, "crc.cbz");
    try {
        archive->Read("bad.jpg");
        FAIL() << "damaged data passed for the picture";
    } catch (const EArchive& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind(FormatMessage(msg::kArchiveEntryDamaged, "bad.jpg"), 0), 0u)
            << e.what();
    }
    EXPECT_EQ(archive->Read("good.jpg"), Bytes(ContentOf(2, 3000)));
}

TEST(Archive, HostileNamesStayMereNames) {
    auto archive = Archive::OpenMemory(
        MakeRawZip({{"../up.jpg", "U"},
                    {"/etc/abs.jpg", "A"},
                    {std::string("nul\0name.jpg", 12), "N"},
                    {"line\r\nbreak.jpg", "L"},
                    {"\x83\x65\x83\x58\x83\x67.jpg", "S"}, // CP932 from a Japanese archiver
                    {"dup.jpg", "first"},
                    {"dup.jpg", "second"},
                    {"folder/", ""}}),
        "hostile");
    EXPECT_EQ(Names(*archive),
              (std::vector<std::string>{"../up.jpg", "/etc/abs.jpg", "nul\xEF\xBF\xBDname.jpg",
                                        "line\xEF\xBF\xBD\xEF\xBF\xBD"
                                        "break.jpg",
                                        "テスト.jpg", "dup.jpg"}));
    EXPECT_EQ(archive->Read("../up.jpg"), Bytes("U"));
    EXPECT_EQ(archive->Read("/etc/abs.jpg"), Bytes("A"));
    EXPECT_EQ(archive->Read("テスト.jpg"), Bytes("S"));
    EXPECT_EQ(archive->Read("dup.jpg"), Bytes("first"));
}

TEST(Archive, ZipBombListsAndEachEntryIsRefusedFromItsDeclaredSize) {
    // Two entries that claim nearly 4 GB each: listed, as the archive's total costs no
    // memory, and refused one by one when read, nothing inflated.
    auto bomb = Archive::OpenMemory(
        MakeRawZip({{"a.jpg", "x", 0, 0xFFFFFFF0ll}, {"b.jpg", "x", 0, 0xFFFFFFF0ll}}), "bomb.zip");
    EXPECT_EQ(Names(*bomb), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_TRUE(bomb->FirstFailure().empty());
    for (const char* name : {"a.jpg", "b.jpg"}) {
        try {
            bomb->Read(name);
            FAIL() << name << " was read";
        } catch (const EArchive& e) {
            EXPECT_EQ(std::string(e.what()), FormatMessage(msg::kArchiveEntryTooLarge, name));
        }
    }
    // A real bomb of well-compressed zeros under a smaller limit, of every format.
    const ArchiveLimits small{100000};
    std::vector<ArchiveItem> zeros;
    for (int i = 0; i < 8; ++i)
        zeros.push_back({"z" + std::to_string(i) + ".jpg", std::string(900000, '\0')});
    for (ArchiveKind kind : {ArchiveKind::ZipDeflate, ArchiveKind::SevenZip, ArchiveKind::TarGz}) {
        auto archive = Archive::OpenMemory(MakeArchive(kind, zeros), "zeros", small);
        ASSERT_EQ(archive->Entries().size(), 8u) << test::ArchiveKindName(kind);
        EXPECT_THROW(archive->Read("z7.jpg"), EArchive) << test::ArchiveKindName(kind);
    }
}

TEST(Archive, ListingStopsAtItsLengthLimitWithAMessage) {
    const std::string tooMany = FormatMessage(msg::kArchiveTooManyEntries, "many");
    std::vector<RawZipItem> six;
    for (int i = 0; i < 6; ++i)
        six.push_back({"p" + std::to_string(i) + ".jpg", "x"});
    auto zip = Archive::OpenMemory(MakeRawZip(six), "many", ArchiveLimits{1000, 5});
    EXPECT_EQ(zip->Entries().size(), 5u);
    EXPECT_EQ(zip->FirstFailure(), tooMany);
    EXPECT_EQ(zip->Read("p4.jpg"), Bytes("x"));

    // The real limit on a tar of empty entries, listed in a few seconds at most.
    std::vector<ArchiveItem> empties(100001);
    for (std::size_t i = 0; i < empties.size(); ++i)
        empties[i].name = std::to_string(i) + ".jpg";
    const auto tar = MakeArchive(ArchiveKind::Tar, empties);
    const auto start = std::chrono::steady_clock::now();
    auto listed = Archive::OpenMemory(tar, "many");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 10.0);
    EXPECT_EQ(listed->Entries().size(), 100000u);
    EXPECT_EQ(listed->Entries().back().name, "99999.jpg");
    EXPECT_EQ(listed->FirstFailure(), tooMany);
}

TEST(Archive, EntryLargerThanItsLimitOrItsDeclarationIsRefused) {
    const ArchiveLimits small{1000, 1 << 20};
    auto archive = Archive::OpenMemory(MakeRawZip({{"big.jpg", std::string(1001, 'b')},
                                                   {"liar.jpg", std::string(5000, 'l'), 0, 10},
                                                   {"fine.jpg", std::string(1000, 'f')}}),
                                       "caps", small);
    ASSERT_EQ(archive->Entries().size(), 3u);
    try {
        archive->Read("big.jpg");
        FAIL();
    } catch (const EArchive& e) {
        EXPECT_EQ(std::string(e.what()), FormatMessage(msg::kArchiveEntryTooLarge, "big.jpg"));
    }
    EXPECT_THROW(archive->Read("liar.jpg"), EArchive);
    EXPECT_EQ(archive->Read("fine.jpg").size(), 1000u);
}

TEST(Archive, DamagedArchiveListsWhatCanBeReadAndKeepsTheFirstFailure) {
    std::vector<ArchiveItem> items;
    for (int i = 0; i < 5; ++i)
        items.push_back({"p" + std::to_string(i) + ".jpg", ContentOf(i, 40000)});
    for (ArchiveKind kind : {ArchiveKind::ZipStored, ArchiveKind::ZipDeflate, ArchiveKind::Tar}) {
        SCOPED_TRACE(test::ArchiveKindName(kind));
        auto bytes = MakeArchive(kind, items);
        // Cut inside the third picture's data, just after its header.
        const std::string third = "p2.jpg";
        const auto at = std::search(bytes.begin(), bytes.end(), third.begin(), third.end());
        ASSERT_NE(at, bytes.end());
        bytes.resize(std::size_t(at - bytes.begin()) + 600);
        auto archive = Archive::OpenMemory(bytes, "cut.cbz");
        EXPECT_EQ(Names(*archive), (std::vector<std::string>{"p0.jpg", "p1.jpg"}));
        EXPECT_EQ(archive->FirstFailure().rfind(FormatMessage(msg::kArchiveDamaged, "cut.cbz"), 0),
                  0u)
            << archive->FirstFailure();
        EXPECT_EQ(archive->Read("p1.jpg"), Bytes(ContentOf(1, 40000)));
    }
}

TEST(Archive, PasswordProtectedEntriesAreMarked) {
    auto real = Archive::OpenMemory(
        MakeArchive(ArchiveKind::ZipEncrypted, {{"locked.jpg", ContentOf(1, 3000)}}), "lock.zip");
    auto flagged =
        Archive::OpenMemory(MakeRawZip({{"open.jpg", "o"}, {"locked.jpg", "l", 1}}), "flag.zip");
    for (const auto& archive : {real, flagged}) {
        EXPECT_TRUE(archive->HasEncryptedEntries());
        EXPECT_TRUE(archive->Find("locked.jpg")->encrypted);
        try {
            archive->Read("locked.jpg");
            FAIL();
        } catch (const EArchive& e) {
            EXPECT_EQ(std::string(e.what()), FormatMessage(msg::kArchivePassword, archive->Path()));
        }
    }
    EXPECT_EQ(flagged->Read("open.jpg"), Bytes("o"));
}

// Data that is no archive is either refused at once or lists nothing and says why;
// it never passes for an empty, sound archive.
TEST(Archive, WhatIsNoArchiveIsNeverASoundEmptyArchive) {
    for (const std::string& junk : {std::string(), std::string("not an archive at all"),
                                    std::string("PK\x03\x04garbage", 11)}) {
        try {
            auto archive = Archive::OpenMemory(Bytes(junk), "junk");
            EXPECT_TRUE(archive->Entries().empty()) << junk;
            EXPECT_FALSE(archive->FirstFailure().empty()) << junk;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), FormatMessage(msg::kCannotOpen, "junk"));
        }
    }
}

// Incompressible bytes, so that a compressed entry spans many read blocks.
std::string NoiseOf(int seed, std::size_t length) {
    std::string s(length, '\0');
    std::uint32_t x = 2463534242u + std::uint32_t(seed);
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x & 0xFF);
    }
    return s;
}

// A stop asked at any of the listing's checks (between entries, or between the blocks
// of one large compressed entry) ends it with ListingStopped, never with a damage
// report or a shortened list; the count told rises by one per file.
TEST(Archive, ListingStopsAtAnyCheckAndCountsTheFilesMet) {
    std::vector<ArchiveItem> items;
    for (int i = 0; i < 40; ++i)
        items.push_back({"p" + std::to_string(i) + ".jpg", ContentOf(i, 3000)});
    items.push_back({"__MACOSX/._p1.jpg", "fork"});
    items.push_back({"big.bmp", NoiseOf(1, std::size_t(5) << 20)});
    for (ArchiveKind kind : {ArchiveKind::ZipDeflate, ArchiveKind::SevenZip, ArchiveKind::TarGz}) {
        SCOPED_TRACE(test::ArchiveKindName(kind));
        const auto bytes = MakeArchive(kind, items);
        int checks = 0;
        std::vector<std::size_t> counts;
        const ListingWatch counting{[&] { return ++checks, false; },
                                    [&](std::size_t n) { counts.push_back(n); }};
        const auto whole = Archive::OpenMemory(bytes, "book", {}, &counting);
        EXPECT_EQ(whole->Entries().size(), 41u);
        ASSERT_EQ(counts.size(), items.size());
        for (std::size_t i = 0; i < counts.size(); ++i)
            EXPECT_EQ(counts[i], i + 1);
        for (int at : {1, 2, checks / 2, checks - 1, checks}) {
            int asked = 0;
            const ListingWatch stopping{[&] { return ++asked >= at; }, {}};
            EXPECT_THROW(Archive::OpenMemory(bytes, "book", {}, &stopping), ListingStopped)
                << "stop at check " << at << " of " << checks;
        }
    }
}

// The shelf lists without its lock: while one archive is being listed (held in its
// progress callback here), the archives already kept are read and found, and the one
// being listed is not there yet, nor listed again by a look-up. A stopped listing keeps
// nothing, and the next open lists the archive whole.
TEST(ArchiveShelf, ListingHoldsNoLockAndAStoppedOneKeepsNothing) {
    test::TempDir dir;
    const std::string kept = dir / "kept.cbz", slow = dir / "slow.tar.gz";
    test::WriteArchiveFile(kept, MakeRawZip({{"p.jpg", "kept"}}));
    test::WriteArchiveFile(slow, MakeArchive(ArchiveKind::TarGz, {{"a.jpg", "A"}, {"b.jpg", "B"}}));
    ArchiveShelf shelf;
    shelf.Open(kept);
    std::promise<void> inside, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> stop{false};
    const ListingWatch watch{[&] { return stop.load(); },
                             [&, first = true](std::size_t) mutable {
                                 if (std::exchange(first, false)) {
                                     inside.set_value();
                                     released.wait();
                                 }
                             }};
    auto listing = std::async(std::launch::async, [&] { shelf.Open(slow, &watch); });
    inside.get_future().wait();
    auto reads = std::async(std::launch::async, [&] {
        EXPECT_EQ(shelf.Read(kept, "p.jpg"), Bytes("kept"));
        EXPECT_NE(shelf.Find(kept), nullptr);
        EXPECT_EQ(shelf.Find(slow), nullptr);
    });
    EXPECT_EQ(reads.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    stop = true;
    release.set_value();
    EXPECT_THROW(listing.get(), ListingStopped);
    EXPECT_EQ(shelf.Find(slow), nullptr);
    EXPECT_EQ(shelf.Open(slow)->Entries().size(), 2u);
    EXPECT_NE(shelf.Find(slow), nullptr);
}

TEST(ArchiveNames, ExtensionsStemsAndMembers) {
    struct Case {
        const char* name;
        bool archive;
        const char* stem;
    };
    for (const Case& c :
         {Case{"book.cbz", true, "book"}, Case{"BOOK.ZIP", true, "BOOK"},
          Case{"set.tar.gz", true, "set"}, Case{"x.7z", true, "x"}, Case{"y.CBR", true, "y"},
          Case{"a.tgz", true, "a"}, Case{"pic.jpg", false, "pic.jpg"}, Case{".zip", false, ".zip"},
          Case{"/dir.zip/p.jpg", false, "/dir.zip/p.jpg"}}) {
        EXPECT_EQ(IsArchiveName(c.name), c.archive) << c.name;
        EXPECT_EQ(ArchiveStem(c.name), c.stem) << c.name;
    }

    test::TempDir dir;
    test::WriteArchiveFile(dir / "book.cbz", MakeRawZip({{"p.jpg", "P"}}));
    std::filesystem::create_directories(dir / "folder.zip");
    const auto member = SplitArchiveMember(dir / "book.cbz/../p.jpg");
    ASSERT_TRUE(member);
    EXPECT_EQ(member->archive, dir / "book.cbz");
    EXPECT_EQ(member->inner, "../p.jpg");
    EXPECT_FALSE(SplitArchiveMember(dir / "folder.zip/p.jpg")); // a folder, not an archive
    EXPECT_FALSE(SplitArchiveMember(dir / "book.cbz"));
}

// Entries read lately come from the store, not from the file: the file is ruined behind
// the shelf's back (same inode, size and time) to tell.
TEST(ArchiveShelf, EntriesReadLatelyAreNotDecompressedAgain) {
    test::TempDir dir;
    const std::string path = dir / "solid.cb7";
    std::vector<ArchiveItem> pages;
    for (int i = 0; i < 5; ++i)
        pages.push_back({"p" + std::to_string(i) + ".jpg", ContentOf(i, 30000)});
    const auto bytes = MakeArchive(ArchiveKind::SevenZip, pages);
    test::WriteArchiveFile(path, bytes);
    ArchiveShelf shelf(4 * 30000); // four pages
    for (int i : {0, 1, 2, 3, 4})
        shelf.Read(path, pages[std::size_t(i)].name);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        std::fstream ruin(path, std::ios::in | std::ios::out | std::ios::binary);
        ruin.write(std::string(bytes.size(), 'x').data(), std::streamsize(bytes.size()));
    }
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    for (int i : {4, 1, 3, 2, 1})
        EXPECT_EQ(shelf.Read(path, pages[std::size_t(i)].name),
                  Bytes(pages[std::size_t(i)].content))
            << i;
    EXPECT_THROW(shelf.Read(path, "p0.jpg"), Error); // the oldest went out of the store
}

// Reading the last page of a solid archive passes the ones before it, which are kept (up
// to a quarter of the store), so a walk back through the book does not decompress it
// from the start again at each page.
TEST(ArchiveShelf, EntriesPassedOnTheWayAreKeptForAWalkBack) {
    test::TempDir dir;
    const std::string path = dir / "solid.cb7";
    std::vector<ArchiveItem> pages;
    for (int i = 0; i < 6; ++i)
        pages.push_back({"p" + std::to_string(i) + ".jpg", ContentOf(i, 30000)});
    const auto bytes = MakeArchive(ArchiveKind::SevenZip, pages);
    test::WriteArchiveFile(path, bytes);
    ArchiveShelf shelf(4 * 4 * 30000); // a quarter holds four pages
    EXPECT_EQ(shelf.Read(path, "p5.jpg"), Bytes(pages[5].content));
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        std::fstream ruin(path, std::ios::in | std::ios::out | std::ios::binary);
        ruin.write(std::string(bytes.size(), 'x').data(), std::streamsize(bytes.size()));
    }
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    for (int i : {4, 3, 2, 1})
        EXPECT_EQ(shelf.Read(path, pages[std::size_t(i)].name),
                  Bytes(pages[std::size_t(i)].content))
            << i;
    EXPECT_THROW(shelf.Read(path, "p0.jpg"), Error); // beyond the quarter: read anew
}

TEST(ArchiveShelf, KeepsTheArchivesUsedLately) {
    test::TempDir dir;
    ArchiveShelf shelf;
    std::vector<std::shared_ptr<Archive>> first;
    for (std::size_t i = 0; i <= ArchiveShelf::kKeptArchives; ++i) {
        test::WriteArchiveFile(dir / (std::to_string(i) + ".zip"), MakeRawZip({{"p.jpg", "P"}}));
        first.push_back(shelf.Open(dir / (std::to_string(i) + ".zip")));
    }
    for (std::size_t i = ArchiveShelf::kKeptArchives; i > 0; --i)
        EXPECT_EQ(shelf.Open(dir / (std::to_string(i) + ".zip")), first[i]) << i;
    EXPECT_NE(shelf.Open(dir / "0.zip"), first[0]);
}

TEST(ArchiveShelf, AFolderFileLargerThanAnEntryMayBeIsRefusedAlike) {
    test::TempDir dir;
    const std::string big = dir / "big.jpg";
    test::WriteFile(big, {0xFF, 0xD8});
    ASSERT_EQ(::truncate(big.c_str(), off_t(600) << 20), 0); // sparse: no disk is used
    try {
        ReadPictureBytes(big);
        FAIL() << "600 MB read whole";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), FormatMessage(msg::kFileTooLarge, big));
    }
    EXPECT_EQ(ReadPictureStart(big, 2), (std::vector<std::uint8_t>{0xFF, 0xD8}));
}

TEST(ArchiveShelf, PicturePathsReadEntriesNeverTheDiskBeside) {
    test::TempDir dir;
    test::WriteArchiveFile(dir / "book.cbz",
                           MakeRawZip({{"p.jpg", "inside"}, {"../outside.jpg", "named"}}));
    test::WriteFile(dir / "outside.jpg", {'d', 'i', 's', 'k'});
    ArchiveShelf::Shared().Forget();
    EXPECT_EQ(ReadPictureBytes(dir / "book.cbz/p.jpg"), Bytes("inside"));
    EXPECT_EQ(ReadPictureBytes(dir / "book.cbz/../outside.jpg"), Bytes("named"));
    EXPECT_TRUE(PictureExists(dir / "book.cbz/p.jpg"));
    EXPECT_FALSE(PictureExists(dir / "book.cbz/missing.jpg"));
    EXPECT_THROW(ReadPictureBytes(dir / "book.cbz/missing.jpg"), Error);
    EXPECT_EQ(ReadPictureBytes(dir / "outside.jpg"), Bytes("disk"));

    // Kept while unchanged; listed anew when the file changes.
    auto first = ArchiveShelf::Shared().Open(dir / "book.cbz");
    EXPECT_EQ(ArchiveShelf::Shared().Open(dir / "book.cbz"), first);
    test::WriteArchiveFile(dir / "book.cbz", MakeRawZip({{"q.jpg", "new one"}}));
    struct timespec times[2] = {{0, UTIME_NOW}, {12345, 0}};
    ::utimensat(AT_FDCWD, (dir / "book.cbz").c_str(), times, 0);
    auto second = ArchiveShelf::Shared().Open(dir / "book.cbz");
    EXPECT_NE(second, first);
    EXPECT_EQ(ReadPictureBytes(dir / "book.cbz/q.jpg"), Bytes("new one"));
    ArchiveShelf::Shared().Forget();
}

} // namespace
} // namespace folivex
