/* ifpnm.spi: a Susie import plug-in for the binary Netpbm pictures: bitmaps (P4),
 * greymaps (P5) and pixmaps (P6), with sample values up to 65535. It answers 1-bit,
 * 8-bit grey and 24-bit device-independent bitmaps, rows from the top. */
#include "folivex/susie.h"

#include <string.h>

#define MAX_PIXELS ((uint64_t)1 << 28)

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
    if (infono < 0 || infono >= (int32_t)(sizeof kInfo / sizeof kInfo[0]) || buflen <= 0)
        return 0;
    size_t n = strlen(kInfo[infono]);
    if (n >= (size_t)buflen)
        n = (size_t)buflen - 1;
    memcpy(buf, kInfo[infono], n);
    buf[n] = 0;
    return (int32_t)n;
}

static int is_blank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int32_t IsSupported(const char* filename, void* dw) {
    const unsigned char* p = dw;
    (void)filename;
    return p[0] == 'P' && (p[1] == '4' || p[1] == '5' || p[1] == '6') && is_blank(p[2]);
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
    size_t n = len > 0 ? (size_t)len : 0, pos = 2;
    if (n < 3 || p[0] != 'P' || (p[1] != '4' && p[1] != '5' && p[1] != '6'))
        return 0;
    pnm->kind = (char)p[1];
    pnm->maxval = 1;
    if (!read_number(p, n, &pos, &pnm->width) || !read_number(p, n, &pos, &pnm->height))
        return 0;
    if (pnm->kind != '4' && !read_number(p, n, &pos, &pnm->maxval))
        return 0;
    if (pos >= n || !is_blank(p[pos]) || pnm->width == 0 || pnm->height == 0 || pnm->maxval == 0 ||
        pnm->maxval > 65535 || (uint64_t)pnm->width * pnm->height > MAX_PIXELS)
        return 0;
    pnm->raster = pos + 1;
    return (uint64_t)row_samples(pnm) * pnm->height <= (uint64_t)(n - pnm->raster);
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Pnm pnm;
    (void)flag;
    if (!parse(buf, len, &pnm))
        return 2; /* not a supported picture */
    memset(lpInfo, 0, sizeof *lpInfo);
    lpInfo->width = (int32_t)pnm.width;
    lpInfo->height = (int32_t)pnm.height;
    lpInfo->colorDepth = pnm.kind == '4' ? 1 : pnm.kind == '5' ? 8 : 24;
    return 0;
}

static void put32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
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

static void write_header(const Pnm* pnm, unsigned char* hdr, int bits, int colors) {
    int i;
    put32(hdr, 40);
    put32(hdr + 4, pnm->width);
    put32(hdr + 8, (uint32_t) - (int32_t)pnm->height); /* rows from the top */
    hdr[12] = 1;
    hdr[14] = (unsigned char)bits;
    put32(hdr + 32, (uint32_t)colors);
    if (colors == 2) { /* a set bit is black */
        put32(hdr + 40, 0xFFFFFF);
        put32(hdr + 44, 0);
    }
    for (i = 0; colors == 256 && i < 256; ++i)
        put32(hdr + 40 + 4 * i, (uint32_t)i * 0x010101u);
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Pnm pnm;
    uint32_t y;
    (void)flag;
    if (!parse(buf, len, &pnm))
        return 2;
    const int bits = pnm.kind == '4' ? 1 : pnm.kind == '5' ? 8 : 24;
    const int colors = bits == 1 ? 2 : bits == 8 ? 256 : 0;
    const size_t stride = ((size_t)pnm.width * bits + 31) / 32 * 4;
    const size_t in_row = row_samples(&pnm);
    HLOCAL hinfo = LocalAlloc(LHND, 40 + 4 * (size_t)colors);
    HLOCAL hbm = LocalAlloc(LHND, stride * pnm.height);
    if (!hinfo || !hbm) {
        LocalFree(hinfo);
        LocalFree(hbm);
        return 4; /* out of memory */
    }
    unsigned char *hdr = LocalLock(hinfo), *bm = LocalLock(hbm);
    write_header(&pnm, hdr, bits, colors);
    for (y = 0; y < pnm.height; ++y) {
        if (lpPrgressCallback && lpPrgressCallback((int32_t)y, (int32_t)pnm.height, lData)) {
            LocalUnlock(hinfo);
            LocalUnlock(hbm);
            LocalFree(hinfo);
            LocalFree(hbm);
            return 1; /* stopped by the host */
        }
        convert_row(&pnm, (const unsigned char*)buf + pnm.raster + y * in_row, bm + y * stride);
    }
    if (lpPrgressCallback)
        lpPrgressCallback((int32_t)pnm.height, (int32_t)pnm.height, lData);
    LocalUnlock(hinfo);
    LocalUnlock(hbm);
    *pHBInfo = hinfo;
    *pHBm = hbm;
    return 0;
}
