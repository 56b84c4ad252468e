// The thumbnail cache at its limits: the largest thumbnails it takes, one pixel more, and
// a cache saved onto a real full disk.
#include "contents/ThumbnailCacheFile.h"

#include "core/Error.h"
#include "loading/JpegDecoder.h"
#include "support/SmallDisk.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace folivex {
namespace {

EncodedThumbnail Thumbnail(int width, int height) {
    Bitmap24 picture(width, height);
    return EncodeJpeg(picture, 50);
}

std::string ErrorOf(const std::vector<std::uint8_t>& bytes) {
    try {
        ParseThumbnailCache(bytes);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

TEST(CacheLimits, TheLargestSideIsTakenAndOneMoreIsRefused) {
    const int side = kMaxCachedThumbnailSide;
    EXPECT_EQ(ErrorOf(SerializeThumbnailCache(side, side, {Thumbnail(side, side)})), "");
    EXPECT_EQ(ErrorOf(SerializeThumbnailCache(side + 1, side, {Thumbnail(side + 1, side)})),
              "ｻﾑﾈｲﾙｷｬｯｼｭが壊れています");
    EXPECT_EQ(ErrorOf(SerializeThumbnailCache(side, side + 1, {Thumbnail(side, side + 1)})),
              "ｻﾑﾈｲﾙｷｬｯｼｭが壊れています");
}

TEST(CacheLimits, ACacheSavedOntoAFullDiskKeepsThePreviousCache) {
    test::SmallDisk disk(256 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string path = disk.Path("cache.dat");
    const auto old = SerializeThumbnailCache(32, 32, {Thumbnail(32, 32)});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(old.data()), std::streamsize(old.size()));
    disk.Fill();
    std::vector<EncodedThumbnail> many(200, Thumbnail(128, 128));
    try {
        CacheFileWriter writer(path);
        writer.Commit(SerializeThumbnailCache(128, 128, many));
        ADD_FAILURE() << "a cache saved onto a full disk reported success";
    } catch (const Error& e) {
        const std::string text = e.what();
        EXPECT_TRUE(text == FormatMessage(msg::kCannotCreate, path) ||
                    text == path + " に書き込めません")
            << text;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> now{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
    EXPECT_EQ(now, old);
    EXPECT_EQ(LoadThumbnailCacheFile(path).images.size(), 1u);
}

} // namespace
} // namespace folivex
