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

#include "core/AtomicFile.h"
#include "core/Bitmap24.h"
#include "core/Error.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

namespace msg {
inline constexpr std::string_view kCacheUnreadable =
    FOLIVEX_TRANSLATE_NOOP("Messages", "ｻﾑﾈｲﾙｷｬｯｼｭ %s を読み込めません");
inline constexpr std::string_view kCacheDamaged =
    FOLIVEX_TRANSLATE_NOOP("Messages", "ｻﾑﾈｲﾙｷｬｯｼｭが壊れています");
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

// Writes the file through AtomicFile, so a failed or interrupted write keeps the previous
// cache. Raises "ﾌｧｲﾙ %s を作成できません" when the file cannot be made, "%s に書き込めません"
// for a later failure (a full disk, say).
class CacheFileWriter {
public:
    // Creates the temporary file at once, so that a folder that cannot take the cache
    // is reported before any picture is read.
    explicit CacheFileWriter(std::string path);
    // The temporary file goes away unless Commit succeeded.

    void Commit(std::span<const std::uint8_t> bytes);

private:
    AtomicFile file_;
};

// Reads and parses a cache file; the parse error is reported with the file's path as
// "ｻﾑﾈｲﾙｷｬｯｼｭ %s を読み込めません", an unreadable file as "ﾌｧｲﾙ %s は開けません".
ThumbnailSet LoadThumbnailCacheFile(const std::string& path);

} // namespace folivex
