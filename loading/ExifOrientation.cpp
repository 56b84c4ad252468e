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

} // namespace

int ReadExifOrientation(std::span<const std::uint8_t> jpeg) {
    std::unique_ptr<ExifData, ExifDataFree> exif(exif_data_new());
    if (!exif || jpeg.empty())
        return 1;
    // Only read, never "repaired": the library would otherwise add tags of its own.
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    // The EXIF block sits among the first markers; libexif looks no further than them.
    const auto size = static_cast<unsigned int>(std::min<std::size_t>(jpeg.size(), UINT_MAX));
    exif_data_load_data(exif.get(), jpeg.data(), size);
    ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || !entry->data ||
        entry->size < 2)
        return 1;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(exif.get()));
    return value >= 1 && value <= 8 ? value : 1;
}

} // namespace folivex
