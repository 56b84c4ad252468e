#include "contents/ThumbnailCacheFile.h"

#include "loading/JpegDecoder.h"
#include "loading/PictureFile.h"

#include <cstring>

namespace folivex {

namespace {

constexpr std::string_view kMagic = "FVXTHUMB";
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 8 + 4 * 4;

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

[[noreturn]] void Damaged() {
    throw Error(std::string(msg::kCacheDamaged));
}

// Reads little-endian numbers and byte runs, never past the end of the input.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Remaining() const { return bytes_.size() - pos_; }
    std::uint32_t U32() {
        const auto run = Take(4);
        return std::uint32_t(run[0]) | std::uint32_t(run[1]) << 8 | std::uint32_t(run[2]) << 16 |
               std::uint32_t(run[3]) << 24;
    }
    std::span<const std::uint8_t> Take(std::size_t n) {
        if (n > Remaining())
            Damaged();
        const auto run = bytes_.subspan(pos_, n);
        pos_ += n;
        return run;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

Bitmap24 DecodeThumbnail(std::span<const std::uint8_t> jpeg, int width, int height) {
    Bitmap24 image;
    try {
        image = DecodeJpeg(jpeg);
    } catch (const Error&) {
        Damaged();
    }
    if (image.width != width || image.height != height)
        Damaged();
    return image;
}

} // namespace

std::vector<std::uint8_t> SerializeThumbnailCache(int width, int height,
                                                  const std::vector<EncodedThumbnail>& images) {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    PutU32(out, kVersion);
    PutU32(out, std::uint32_t(width));
    PutU32(out, std::uint32_t(height));
    PutU32(out, std::uint32_t(images.size()));
    for (const auto& image : images) {
        PutU32(out, std::uint32_t(image.size()));
        out.insert(out.end(), image.begin(), image.end());
    }
    return out;
}

ThumbnailSet ParseThumbnailCache(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize)
        Damaged();
    Reader in(bytes);
    const auto magic = in.Take(kMagic.size());
    if (std::memcmp(magic.data(), kMagic.data(), kMagic.size()) != 0 || in.U32() != kVersion)
        Damaged();
    ThumbnailSet set;
    const std::uint32_t width = in.U32(), height = in.U32(), count = in.U32();
    if (width < 1 || width > kMaxCachedThumbnailSide || height < 1 ||
        height > kMaxCachedThumbnailSide || count > in.Remaining() / 4 ||
        std::uint64_t(count) * width * height > kMaxPicturePixels)
        Damaged();
    set.width = int(width);
    set.height = int(height);
    set.images.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t length = in.U32();
        set.images.push_back(DecodeThumbnail(in.Take(length), set.width, set.height));
    }
    if (in.Remaining() != 0)
        Damaged();
    return set;
}

CacheFileWriter::CacheFileWriter(std::string path)
    : file_(std::move(path), {msg::kCannotCreate, msg::kCannotWrite}) {}

void CacheFileWriter::Commit(std::span<const std::uint8_t> bytes) {
    file_.Commit(bytes);
}

ThumbnailSet LoadThumbnailCacheFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    try {
        return ParseThumbnailCache(bytes);
    } catch (const Error&) {
        throw Error(FormatMessage(msg::kCacheUnreadable, path));
    }
}

} // namespace folivex
