/* ifpnm.spi: a Susie import plug-in for the binary Netpbm pictures: bitmaps (P4),
 * greymaps (P5) and pixmaps (P6), with sample values up to 65535. It answers 1-bit,
 * 8-bit grey and 24-bit device-independent bitmaps, rows from the bottom like every
 * bundled plug-in. */
#include "spicommon.h"

#include <string.h>

static const char* const kInfo[] = {
    "00IN",  "ifpnm: Netpbm P4/P5/P6 reader for Folivex",
    "*.pnm", "Portable Anymap",
    "*.ppm", "Portable Pixmap",
    "*.pgm", "Portable Graymap",
    "*.pbm", "Portable Bitmap",
};

typedef struct {
    char kind; /* '4', '5' or '6' */
    uint32_t width, height, maxval;
    size_t raster; /* offset of the first sample */
} Pnm;

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_plugin_info(kInfo, sizeof kInfo / sizeof kInfo[0], infono, buf, buflen);
}

static int is_blank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int32_t IsSupported(const char* filename, void* dw) {
    const unsigned char* p = dw;
    (void)filename;
    return p && p[0] == 'P' && (p[1] == '4' || p[1] == '5' || p[1] == '6') && is_blank(p[2]);
}

/* Reads one decimal header number after blanks and comments; 0 when there is none. */
static int read_number(const unsigned char* p, size_t len, size_t* pos, uint32_t* value) {
    while (*pos < len && (is_blank(p[*pos]) || p[*pos] == '#')) {
        if (p[*pos] == '#') {
            while (*pos < len && p[*pos] != '\n' && p[*pos] != '\r')
                ++*pos;
        } else {
            ++*pos;
        }
    }
    uint64_t v = 0;
    size_t start = *pos;
    while (*pos < len && p[*pos] >= '0' && p[*pos] <= '9') {
        v = v * 10 + (uint64_t)(p[*pos] - '0');
        if (v > 0x7FFFFFFF)
            return 0;
        ++*pos;
    }
    *value = (uint32_t)v;
    return *pos > start;
}

static size_t row_samples(const Pnm* pnm) {
    return pnm->kind == '4'
               ? ((size_t)pnm->width + 7) / 8
               : (size_t)pnm->width * (pnm->kind == '6' ? 3 : 1) * (pnm->maxval > 255 ? 2 : 1);
}

static int parse(const char* buf, intptr_t len, Pnm* pnm) {
    const unsigned char* p = (const unsigned char*)buf;
    size_t n = spi_length(len), pos = 2;
    if (!p || n < 3 || p[0] != 'P' || (p[1] != '4' && p[1] != '5' && p[1] != '6'))
        return 0;
    pnm->kind = (char)p[1];
    pnm->maxval = 1;
    if (!read_number(p, n, &pos, &pnm->width) || !read_number(p, n, &pos, &pnm->height))
        return 0;
    if (pnm->kind != '4' && !read_number(p, n, &pos, &pnm->maxval))
        return 0;
    if (pos >= n || !is_blank(p[pos]) || pnm->width == 0 || pnm->height == 0 || pnm->maxval == 0 ||
        pnm->maxval > 65535 || !spi_size_allowed(pnm->width, pnm->height))
        return 0;
    pnm->raster = pos + 1;
    return (uint64_t)row_samples(pnm) * pnm->height <= (uint64_t)(n - pnm->raster);
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Pnm pnm;
    (void)flag;
    if (!parse(buf, len, &pnm))
        return SPI_UNKNOWN_FORMAT;
    spi_picture_info(lpInfo, pnm.width, pnm.height, pnm.kind == '4' ? 1 : pnm.kind == '5' ? 8 : 24);
    return SPI_OK;
}

/* One sample scaled to 0..255. */
static unsigned char sample(const unsigned char* p, size_t i, uint32_t maxval) {
    uint32_t v = maxval > 255 ? (uint32_t)(p[2 * i] << 8 | p[2 * i + 1]) : p[i];
    if (v > maxval)
        v = maxval;
    return (unsigned char)(v * 255u / maxval);
}

static void convert_row(const Pnm* pnm, const unsigned char* src, unsigned char* dst) {
    uint32_t x;
    if (pnm->kind == '4') {
        memcpy(dst, src, row_samples(pnm));
    } else if (pnm->kind == '5') {
        for (x = 0; x < pnm->width; ++x)
            dst[x] = sample(src, x, pnm->maxval);
    } else {
        for (x = 0; x < pnm->width; ++x) { /* red, green, blue into blue, green, red */
            dst[3 * x] = sample(src, 3 * (size_t)x + 2, pnm->maxval);
            dst[3 * x + 1] = sample(src, 3 * (size_t)x + 1, pnm->maxval);
            dst[3 * x + 2] = sample(src, 3 * (size_t)x, pnm->maxval);
        }
    }
}

/* The colour table: a set bit of a bitmap is black; grey is a ramp. */
static void set_colours(SpiDib* dib) {
    if (dib->bits == 1) {
        spi_dib_set_color(dib, 0, 255, 255, 255);
        spi_dib_set_color(dib, 1, 0, 0, 0);
    }
    for (unsigned i = 0; dib->bits == 8 && i < 256; ++i)
        spi_dib_set_color(dib, i, (uint8_t)i, (uint8_t)i, (uint8_t)i);
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Pnm pnm;
    SpiDib dib;
    (void)flag;
    if (!parse(buf, len, &pnm))
        return SPI_UNKNOWN_FORMAT;
    const int32_t created = spi_dib_create(&dib, pnm.width, pnm.height,
                                           pnm.kind == '4'   ? 1
                                           : pnm.kind == '5' ? 8
                                                             : 24);
    if (created != SPI_OK)
        return created;
    set_colours(&dib);
    const size_t in_row = row_samples(&pnm);
    for (uint32_t y = 0; y <= pnm.height; ++y) {
        if (spi_progress(lpPrgressCallback, lData, y, pnm.height)) {
            spi_dib_discard(&dib);
            return SPI_ABORTED;
        }
        if (y < pnm.height)
            convert_row(&pnm, (const unsigned char*)buf + pnm.raster + y * in_row,
                        spi_dib_row(&dib, y));
    }
    return spi_dib_finish(&dib, pHBInfo, pHBm);
}
