#include "loading/ExifOrientation.h"

#include <climits>
#include <memory>

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

namespace folivex {

namespace {

struct ExifDataFree {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifPtr = std::unique_ptr<ExifData, ExifDataFree>;

// Null when libexif cannot even start; an empty block when the file has none.
ExifPtr LoadExif(std::span<const std::uint8_t> jpeg) {
    ExifPtr exif(exif_data_new());
    if (!exif || jpeg.empty())
        return nullptr;
    // Only read, never "repaired": of the options libexif starts with (bit flags, three in
    // 0.6), only dropping unknown tags is kept; the other rewrites what was loaded, adding
    // tags of its own.
    constexpr unsigned kEveryOption = 0x7;
    exif_data_unset_option(exif.get(),
                           static_cast<ExifDataOption>(
                               kEveryOption & ~unsigned(EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS)));
    // The EXIF block sits among the first markers; libexif looks no further than them.
    const auto size = static_cast<unsigned int>(std::min<std::size_t>(jpeg.size(), UINT_MAX));
    exif_data_load_data(exif.get(), jpeg.data(), size);
    return exif;
}

int OrientationOf(ExifData* exif) {
    ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || !entry->data ||
        entry->size < 2)
        return 1;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif));
    return value >= 1 && value <= 8 ? value : 1;
}

std::vector<std::uint8_t> ThumbnailOf(const ExifData* exif) {
    // libexif copies the thumbnail out of the block only when its offset and length lie
    // inside the block.
    if (exif->data == nullptr || exif->size < 4 || exif->data[0] != 0xFF || exif->data[1] != 0xD8)
        return {};
    return {exif->data, exif->data + exif->size};
}

} // namespace

int ReadExifOrientation(std::span<const std::uint8_t> jpeg) {
    const ExifPtr exif = LoadExif(jpeg);
    return exif ? OrientationOf(exif.get()) : 1;
}

ExifFacts ReadExifFacts(std::span<const std::uint8_t> jpeg) {
    const ExifPtr exif = LoadExif(jpeg);
    if (!exif)
        return {};
    return {OrientationOf(exif.get()), ThumbnailOf(exif.get())};
}

} // namespace folivex
