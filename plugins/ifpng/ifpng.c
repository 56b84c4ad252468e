/* ifpng.spi: a Susie import plug-in for PNG pictures through libpng's simplified reader:
 * every colour type and bit depth (16 bits reduced to 8), palettes, tRNS and alpha. An
 * animated PNG shows its default image, the first frame of nearly every such file (the
 * animation chunks are ancillary and skipped). */
#include "spicommon.h"

#include <png.h>
#include <stdlib.h>
#include <string.h>

static const char* const kInfo[] = {
    "00IN",
    "ifpng: PNG reader for Folivex (libpng " PNG_LIBPNG_VER_STRING ")",
    "*.png",
    "PNG",
};

static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_plugin_info(kInfo, sizeof kInfo / sizeof kInfo[0], infono, buf, buflen);
}

int32_t IsSupported(const char* filename, void* dw) {
    (void)filename;
    return dw && memcmp(dw, kSignature, sizeof kSignature) == 0;
}

/* Reads the header; on SPI_OK the image must be freed with png_image_free or finished. */
static int32_t begin_read(png_image* image, const char* buf, intptr_t len) {
    const size_t n = spi_length(len);
    memset(image, 0, sizeof *image);
    image->version = PNG_IMAGE_VERSION;
    if (!buf || n < sizeof kSignature || memcmp(buf, kSignature, sizeof kSignature) != 0)
        return SPI_UNKNOWN_FORMAT;
    if (!png_image_begin_read_from_memory(image, buf, n))
        return SPI_BROKEN_DATA;
    /* 16-bit samples without gamma information are sRGB like 8-bit ones, as other viewers
     * show them; libpng would otherwise take them for linear light. */
    image->flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    if (!spi_size_allowed(image->width, image->height)) {
        png_image_free(image);
        return SPI_BROKEN_DATA;
    }
    return SPI_OK;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    png_image image;
    (void)flag;
    const int32_t result = begin_read(&image, buf, len);
    if (result != SPI_OK)
        return result;
    spi_picture_info(lpInfo, image.width, image.height, 24);
    png_image_free(&image);
    return SPI_OK;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    png_image image;
    (void)flag;
    int32_t result = begin_read(&image, buf, len);
    if (result != SPI_OK)
        return result;
    if (spi_progress(lpPrgressCallback, lData, 0, image.height)) {
        png_image_free(&image);
        return SPI_ABORTED;
    }
    image.format = PNG_FORMAT_RGBA;
    const size_t stride = (size_t)image.width * 4;
    uint8_t* pixels = malloc(stride * image.height);
    if (!pixels) {
        png_image_free(&image);
        return SPI_NO_MEMORY;
    }
    if (!png_image_finish_read(&image, NULL, pixels, (png_int_32)stride, NULL)) {
        free(pixels);
        return SPI_BROKEN_DATA; /* finish_read has freed the image */
    }
    const SpiRgba picture = {pixels, image.width, image.height, stride, SPI_ALPHA_STRAIGHT};
    result = spi_deliver_rgba(&picture, 1, pHBInfo, pHBm, lpPrgressCallback, lData);
    free(pixels);
    return result;
}
