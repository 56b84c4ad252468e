// The thumbnail cache file of one picture folder: the thumbnail size and the thumbnails
// in row order, each compressed as a JPEG. The layout is this program's own:
//
//   "FVXTHUMB"  8 bytes
//   version     u32 = 1
//   width       u32, 1 .. 1024
//   height      u32, 1 .. 1024
//   count       u32
//   count times: length u32, then `length` bytes of a JPEG of width x height pixels
//
// All numbers are little-endian, and the file ends right after the last thumbnail.
#pragma once

#include "core/Bitmap24.h"
#include "core/Error.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

namespace msg {
inline constexpr std::string_view kCacheUnreadable = "ｻﾑﾈｲﾙｷｬｯｼｭ %s を読み込めません";
inline constexpr std::string_view kCacheDamaged = "ｻﾑﾈｲﾙｷｬｯｼｭが壊れています";
} // namespace msg

struct ThumbnailSet {
    int width = 0;
    int height = 0;
    std::vector<Bitmap24> images; // each width x height
};

// One thumbnail as it is stored: its JPEG bytes.
using EncodedThumbnail = std::vector<std::uint8_t>;

inline constexpr int kMaxCachedThumbnailSide = 1024;

// The file's bytes for thumbnails that are already compressed.
std::vector<std::uint8_t> SerializeThumbnailCache(int width, int height,
                                                  const std::vector<EncodedThumbnail>& images);

// Reads a cache file's bytes. Anything else than a complete, well-formed file (wrong
// magic or version, a size out of range, a length past the end, a thumbnail that does not
// decode to the stated size, bytes after the last thumbnail, more pixels in all than the
// largest picture the program decodes) raises
// "ｻﾑﾈｲﾙｷｬｯｼｭが壊れています".
ThumbnailSet ParseThumbnailCache(std::span<const std::uint8_t> bytes);

// Writes the file through a temporary file in the same folder renamed over `path`, so a
// failed write keeps the previous cache. Raises "ﾌｧｲﾙ %s を作成できません" or
// "%s に書き込めません".
class CacheFileWriter {
public:
    // Creates the temporary file at once, so that a folder that cannot take the cache
    // is reported before any picture is read.
    explicit CacheFileWriter(std::string path);
    ~CacheFileWriter(); // removes the temporary file unless Commit succeeded
    CacheFileWriter(const CacheFileWriter&) = delete;
    CacheFileWriter& operator=(const CacheFileWriter&) = delete;

    void Commit(std::span<const std::uint8_t> bytes);

private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool committed_ = false;
};

// Reads and parses a cache file; the parse error is reported with the file's path as
// "ｻﾑﾈｲﾙｷｬｯｼｭ %s を読み込めません", an unreadable file as "ﾌｧｲﾙ %s は開けません".
ThumbnailSet LoadThumbnailCacheFile(const std::string& path);

} // namespace folivex
