/* What the bundled picture plug-ins share: their information texts, the result codes of
 * the interface, the size limit, the progress report, the bitmap they hand back (bottom-up
 * rows in local memory handles), transparency laid onto white, and turning a picture
 * upright by its EXIF or TIFF orientation. Uses nothing but the public plug-in header. */
#ifndef FOLIVEX_SPICOMMON_H
#define FOLIVEX_SPICOMMON_H

#include "folivex/susie.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Results of IsSupported's siblings, as the Susie interface numbers them. */
enum {
    SPI_OK = 0,
    SPI_ABORTED = 1,        /* the progress callback asked to stop */
    SPI_UNKNOWN_FORMAT = 2, /* not a picture of this plug-in */
    SPI_BROKEN_DATA = 3,    /* truncated or malformed, or too large */
    SPI_NO_MEMORY = 4,
    SPI_INTERNAL = 8
};

/* The most pixels a plug-in decodes (2^28, about 805 MB at 24 bits). The fuzz targets
 * lower it so that a few header bytes cannot make them allocate gigabytes. */
extern uint64_t spi_max_pixels;

/* Answers GetPluginInfo from a table of texts: number 0 the version, 1 the description,
 * then pattern/name pairs. */
int32_t spi_plugin_info(const char* const* texts, size_t count, int32_t infono, char* buf,
                        int32_t buflen);

/* The input length as a size; a negative length reads as empty. */
size_t spi_length(intptr_t len);

/* 1 when a picture of width x height is not empty, fits the limit and each side fits a
 * signed 32-bit bitmap header. */
int spi_size_allowed(uint64_t width, uint64_t height);

/* Calls the host's progress callback when there is one; 1 when it asked to stop. */
int spi_progress(SusieProgressCallback progress, intptr_t data, uint32_t num, uint32_t denom);

/* Fills a picture information record for a picture of the given true size. */
void spi_picture_info(SusiePictureInfo* info, uint32_t width, uint32_t height, int depth);

/* A device-independent bitmap being built: 24 bits, or 8 or 1 bits with a colour table
 * of 256 or 2 entries. Rows are stored bottom-up; spi_dib_row counts from the top. */
typedef struct {
    uint32_t width, height;
    int bits;
    size_t stride;
    HLOCAL hinfo, hbm;
    unsigned char *header, *pixels;
} SpiDib;

/* SPI_OK, SPI_BROKEN_DATA when the size is not allowed, or SPI_NO_MEMORY. */
int32_t spi_dib_create(SpiDib* dib, uint32_t width, uint32_t height, int bits);
/* The same with a pixel block of at least room bytes: room for a decoder to write wider
 * pixels that are then narrowed in place. */
int32_t spi_dib_create_with_room(SpiDib* dib, uint32_t width, uint32_t height, int bits,
                                 size_t room);
void spi_dib_set_color(SpiDib* dib, unsigned index, uint8_t red, uint8_t green, uint8_t blue);
unsigned char* spi_dib_row(SpiDib* dib, uint32_t y);
/* Hands both handles to the caller, unlocked; the DIB is empty afterwards. */
int32_t spi_dib_finish(SpiDib* dib, HLOCAL* pHBInfo, HLOCAL* pHBm);
/* Frees whatever the DIB holds; safe on an empty or finished one. */
void spi_dib_discard(SpiDib* dib);

/* EXIF/TIFF orientation 1 to 8; anything else counts as 1 (as stored). */
int spi_orientation_valid(int orientation);
/* The size of a stored width x height picture once it is turned upright. */
void spi_upright_size(int orientation, uint32_t width, uint32_t height, uint32_t* upright_width,
                      uint32_t* upright_height);

/* How the colour of a pixel with alpha is stored. */
typedef enum { SPI_ALPHA_NONE, SPI_ALPHA_STRAIGHT, SPI_ALPHA_PREMULTIPLIED } SpiAlpha;

/* One colour channel of a pixel laid onto white, rounded alike in every plug-in. */
static inline uint8_t spi_on_white(uint8_t c, uint8_t a, SpiAlpha alpha) {
    if (alpha == SPI_ALPHA_NONE || a == 255)
        return c;
    if (alpha == SPI_ALPHA_PREMULTIPLIED) {
        const unsigned v = (unsigned)c + 255u - a;
        return (uint8_t)(v > 255 ? 255 : v);
    }
    return (uint8_t)(((unsigned)c * a + 255u * (255u - a) + 127u) / 255u);
}

/* A decoded picture in memory: rows from the top, red, green, blue, alpha bytes. */
typedef struct {
    const uint8_t* pixels;
    uint32_t width, height;
    size_t stride;
    SpiAlpha alpha;
} SpiRgba;

/* Writes the picture, turned upright and laid onto white, into a 24-bit DIB of the
 * upright size, reporting one progress step per row. SPI_ABORTED when the host stopped
 * it (the DIB is then discarded), else SPI_OK. */
int32_t spi_dib_put_rgba(SpiDib* dib, const SpiRgba* picture, int orientation,
                         SusieProgressCallback progress, intptr_t data);

/* The whole of GetPicture for a decoded picture: creates the 24-bit DIB of the upright
 * size, writes the picture into it and hands the handles over. */
int32_t spi_deliver_rgba(const SpiRgba* picture, int orientation, HLOCAL* pHBInfo, HLOCAL* pHBm,
                         SusieProgressCallback progress, intptr_t data);

/* The Orientation tag (0x0112) of the first directory of an EXIF block: the TIFF
 * structure, optionally after "Exif\0\0". 1 when it has none or the block is damaged. */
int spi_exif_orientation(const uint8_t* exif, size_t len);

#ifdef __cplusplus
}
#endif

#endif /* FOLIVEX_SPICOMMON_H */
