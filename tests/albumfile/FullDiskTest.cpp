// Album files and launchers saved onto a real full disk: the original error text, the old
// file byte for byte, no temporary file left beside it.
#include "albumfile/AlbumText.h"

#include "core/Error.h"
#include "support/SmallDisk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace folivex {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t FileCount(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

TEST(FullDisk, AnAlbumSaveKeepsTheOldAlbumAndReportsIt) {
    test::SmallDisk disk(128 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string album = disk.Path("旅.ajv");
    const std::string old = "FolivexAlbum old\r\n";
    std::ofstream(album, std::ios::binary) << old;
    disk.Fill();

    AlbumState state;
    state.albumTitle = "旅";
    state.pictureFolder = "/home/u/pictures/";
    PictureList pictures;
    for (int i = 0; i < 2000; ++i) // far more than the few bytes left
        pictures.Append({"IMG" + std::to_string(i) + ".JPG", std::string(40, 'c'), ""});
    try {
        WriteAlbumFile(album, state, pictures);
        ADD_FAILURE() << "a save onto a full disk reported success";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), FormatMessage(msg::kCannotCreate, album));
    }
    EXPECT_EQ(ReadAll(album), old);
    EXPECT_EQ(FileCount(disk.Root()), 2u) << "the album and the filler, nothing else";

    // A launcher is saved the same way.
    const std::string launcher = disk.Path("旅.desktop");
    EXPECT_THROW(WriteFileReplacing(launcher, std::string(64 * 1024, 'x'), true), Error);
    EXPECT_FALSE(std::filesystem::exists(launcher));
    EXPECT_EQ(FileCount(disk.Root()), 2u);
}

} // namespace
} // namespace folivex
