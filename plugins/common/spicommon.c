/* The shared part of the bundled picture plug-ins; see spicommon.h. */
#include "spicommon.h"

#include <string.h>

uint64_t spi_max_pixels = (uint64_t)1 << 28;

int32_t spi_plugin_info(const char* const* texts, size_t count, int32_t infono, char* buf,
                        int32_t buflen) {
    if (infono < 0 || (size_t)infono >= count || !buf || buflen <= 0)
        return 0;
    size_t n = strlen(texts[infono]);
    if (n >= (size_t)buflen)
        n = (size_t)buflen - 1;
    memcpy(buf, texts[infono], n);
    buf[n] = 0;
    return (int32_t)n;
}

size_t spi_length(intptr_t len) {
    return len > 0 ? (size_t)len : 0;
}

int spi_size_allowed(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX &&
           width * height <= spi_max_pixels;
}

int spi_progress(SusieProgressCallback progress, intptr_t data, uint32_t num, uint32_t denom) {
    return progress && progress((int32_t)num, (int32_t)denom, data) != 0;
}

void spi_picture_info(SusiePictureInfo* info, uint32_t width, uint32_t height, int depth) {
    memset(info, 0, sizeof *info);
    info->width = (int32_t)width;
    info->height = (int32_t)height;
    info->colorDepth = (int16_t)depth;
}

static void put32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

int32_t spi_dib_create(SpiDib* dib, uint32_t width, uint32_t height, int bits) {
    return spi_dib_create_with_room(dib, width, height, bits, 0);
}

int32_t spi_dib_create_with_room(SpiDib* dib, uint32_t width, uint32_t height, int bits,
                                 size_t room) {
    const size_t colors = bits == 8 ? 256 : bits == 1 ? 2 : 0;
    memset(dib, 0, sizeof *dib);
    if (!spi_size_allowed(width, height) || (bits != 1 && bits != 8 && bits != 24))
        return SPI_BROKEN_DATA;
    dib->width = width;
    dib->height = height;
    dib->bits = bits;
    dib->stride = ((size_t)width * (size_t)bits + 31) / 32 * 4;
    dib->hinfo = LocalAlloc(LHND, 40 + 4 * colors);
    const size_t size = dib->stride * height;
    dib->hbm = LocalAlloc(LHND, room > size ? room : size);
    dib->header = dib->hinfo ? LocalLock(dib->hinfo) : NULL;
    dib->pixels = dib->hbm ? LocalLock(dib->hbm) : NULL;
    if (!dib->header || !dib->pixels) {
        spi_dib_discard(dib);
        return SPI_NO_MEMORY;
    }
    put32(dib->header, 40);
    put32(dib->header + 4, width);
    put32(dib->header + 8, height); /* positive: rows from the bottom */
    dib->header[12] = 1;
    dib->header[14] = (unsigned char)bits;
    put32(dib->header + 20, (uint32_t)(dib->stride * height));
    put32(dib->header + 32, (uint32_t)colors);
    return SPI_OK;
}

void spi_dib_set_color(SpiDib* dib, unsigned index, uint8_t red, uint8_t green, uint8_t blue) {
    if (dib->bits == 24 || index >= (1u << dib->bits))
        return;
    unsigned char* entry = dib->header + 40 + 4 * index;
    entry[0] = blue;
    entry[1] = green;
    entry[2] = red;
    entry[3] = 0;
}

unsigned char* spi_dib_row(SpiDib* dib, uint32_t y) {
    return dib->pixels + (size_t)(dib->height - 1 - y) * dib->stride;
}

int32_t spi_dib_finish(SpiDib* dib, HLOCAL* pHBInfo, HLOCAL* pHBm) {
    LocalUnlock(dib->hinfo);
    LocalUnlock(dib->hbm);
    *pHBInfo = dib->hinfo;
    *pHBm = dib->hbm;
    memset(dib, 0, sizeof *dib);
    return SPI_OK;
}

void spi_dib_discard(SpiDib* dib) {
    if (dib->header)
        LocalUnlock(dib->hinfo);
    if (dib->pixels)
        LocalUnlock(dib->hbm);
    if (dib->hinfo)
        LocalFree(dib->hinfo);
    if (dib->hbm)
        LocalFree(dib->hbm);
    memset(dib, 0, sizeof *dib);
}

int spi_orientation_valid(int orientation) {
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

void spi_upright_size(int orientation, uint32_t width, uint32_t height, uint32_t* upright_width,
                      uint32_t* upright_height) {
    const int turned = spi_orientation_valid(orientation) >= 5; /* 5 to 8 swap the sides */
    *upright_width = turned ? height : width;
    *upright_height = turned ? width : height;
}

/* Where upright row y starts in the stored picture, and how far one upright pixel to the
 * right moves there, for each orientation. */
static void upright_walk(const SpiRgba* p, int orientation, uint32_t y, const uint8_t** start,
                         ptrdiff_t* step) {
    const ptrdiff_t stride = (ptrdiff_t)p->stride;
    const uint32_t right = p->width - 1, bottom = p->height - 1;
    uint32_t sx = 0, sy = 0;
    switch (orientation) {
    case 2:
        sx = right, sy = y, *step = -4;
        break;
    case 3:
        sx = right, sy = bottom - y, *step = -4;
        break;
    case 4:
        sx = 0, sy = bottom - y, *step = 4;
        break;
    case 5:
        sx = y, sy = 0, *step = stride;
        break;
    case 6:
        sx = y, sy = bottom, *step = -stride;
        break;
    case 7:
        sx = right - y, sy = bottom, *step = -stride;
        break;
    case 8:
        sx = right - y, sy = 0, *step = stride;
        break;
    default:
        sx = 0, sy = y, *step = 4;
        break;
    }
    *start = p->pixels + (size_t)sy * p->stride + (size_t)sx * 4;
}

int32_t spi_dib_put_rgba(SpiDib* dib, const SpiRgba* picture, int orientation,
                         SusieProgressCallback progress, intptr_t data) {
    orientation = spi_orientation_valid(orientation);
    for (uint32_t y = 0; y < dib->height; ++y) {
        if (spi_progress(progress, data, y, dib->height)) {
            spi_dib_discard(dib);
            return SPI_ABORTED;
        }
        const uint8_t* src;
        ptrdiff_t step;
        upright_walk(picture, orientation, y, &src, &step);
        unsigned char* out = spi_dib_row(dib, y);
        for (uint32_t x = 0; x < dib->width; ++x, src += step, out += 3) {
            out[0] = spi_on_white(src[2], src[3], picture->alpha);
            out[1] = spi_on_white(src[1], src[3], picture->alpha);
            out[2] = spi_on_white(src[0], src[3], picture->alpha);
        }
    }
    if (spi_progress(progress, data, dib->height, dib->height)) {
        spi_dib_discard(dib);
        return SPI_ABORTED;
    }
    return SPI_OK;
}

int32_t spi_deliver_rgba(const SpiRgba* picture, int orientation, HLOCAL* pHBInfo, HLOCAL* pHBm,
                         SusieProgressCallback progress, intptr_t data) {
    SpiDib dib;
    uint32_t width, height;
    spi_upright_size(orientation, picture->width, picture->height, &width, &height);
    int32_t result = spi_dib_create(&dib, width, height, 24);
    if (result == SPI_OK)
        result = spi_dib_put_rgba(&dib, picture, orientation, progress, data);
    return result == SPI_OK ? spi_dib_finish(&dib, pHBInfo, pHBm) : result;
}
