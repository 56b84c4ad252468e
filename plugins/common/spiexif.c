/* The orientation of an EXIF block, for formats that carry EXIF beside their picture
 * (WebP). Only the first directory is read, and every offset is checked against the
 * block's length before it is followed. */
#include "spicommon.h"

#include <string.h>

static uint32_t get16(const uint8_t* p, int big_endian) {
    return big_endian ? (uint32_t)(p[0] << 8 | p[1]) : (uint32_t)(p[1] << 8 | p[0]);
}

static uint32_t get32(const uint8_t* p, int big_endian) {
    return big_endian ? get16(p, 1) << 16 | get16(p + 2, 1) : get16(p + 2, 0) << 16 | get16(p, 0);
}

int spi_exif_orientation(const uint8_t* exif, size_t len) {
    if (!exif)
        return 1;
    if (len >= 6 && memcmp(exif, "Exif\0\0", 6) == 0) {
        exif += 6;
        len -= 6;
    }
    if (len < 8)
        return 1;
    int big_endian;
    if (memcmp(exif, "II*\0", 4) == 0)
        big_endian = 0;
    else if (memcmp(exif, "MM\0*", 4) == 0)
        big_endian = 1;
    else
        return 1;
    const uint32_t ifd = get32(exif + 4, big_endian);
    if (ifd > len || len - ifd < 2)
        return 1;
    const uint32_t count = get16(exif + ifd, big_endian);
    if ((len - ifd - 2) / 12 < count)
        return 1;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = exif + ifd + 2 + 12 * (size_t)i;
        const int is_short = get16(entry + 2, big_endian) == 3;
        if (get16(entry, big_endian) == 0x0112 && is_short && get32(entry + 4, big_endian) >= 1)
            return spi_orientation_valid((int)get16(entry + 8, big_endian));
    }
    return 1;
}
