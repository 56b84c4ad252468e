/* A test picture plug-in, built several times with different settings:
 *   API_VERSION, FILTER1/NAME1 (and FILTER2/NAME2): what GetPluginInfo answers;
 *   EXTRA_FILTER: an information 4 without a name 5 (not a format);
 *   MAGIC: the four bytes its pictures start with;
 *   PALETTED: answer an 8-bit picture with a colour table left to its default size;
 *   SHORT_BLOCKS: answer blocks shorter than the header says (the byte after the size
 *     picks which fault);
 *   PROGRESS: report progress while decoding;
 *   NO_PLUGIN_INFO: leave GetPluginInfo out.
 * Its format: MAGIC, width (1 byte), height (1 byte), then the pixels top down, three
 * bytes each (blue, green, red), or one byte each when PALETTED. */
#include "folivex/susie.h"

#include <string.h>

#ifndef API_VERSION
#define API_VERSION "00IN"
#endif
#ifndef MAGIC
#define MAGIC "TNY1"
#endif

/* What the host handed over last, read by the tests. */
unsigned char TestSeen[2048];
intptr_t TestInfoLength = -1;
intptr_t TestPictureLength = -1;
int32_t TestIsSupportedCalls = 0;

#ifndef NO_PLUGIN_INFO
static int32_t put_text(char* buf, int32_t buflen, const char* text) {
    size_t n = strlen(text);
    if (buflen <= 0)
        return 0;
    if (n >= (size_t)buflen)
        n = (size_t)buflen - 1;
    memcpy(buf, text, n);
    buf[n] = 0;
    return (int32_t)n;
}

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    switch (infono) {
    case 0:
        return put_text(buf, buflen, API_VERSION);
    case 1:
        return put_text(buf, buflen, "test plug-in");
    case 2:
        return put_text(buf, buflen, FILTER1);
    case 3:
        return put_text(buf, buflen, NAME1);
#ifdef FILTER2
    case 4:
        return put_text(buf, buflen, FILTER2);
    case 5:
        return put_text(buf, buflen, NAME2);
#elif defined(EXTRA_FILTER)
    case 4:
        return put_text(buf, buflen, EXTRA_FILTER);
#endif
    default:
        return 0;
    }
}
#endif

int32_t IsSupported(const char* filename, void* dw) {
    (void)filename;
    ++TestIsSupportedCalls;
    memcpy(TestSeen, dw, sizeof TestSeen);
    return memcmp(dw, MAGIC, 4) == 0;
}

static int picture_size(const char* buf, intptr_t len, int* w, int* h) {
    if (len < 6 || memcmp(buf, MAGIC, 4) != 0)
        return 0;
    *w = (unsigned char)buf[4];
    *h = (unsigned char)buf[5];
#ifdef PALETTED
    return len >= 6 + (intptr_t)(*w) * (*h);
#else
    return len >= 6 + (intptr_t)(*w) * (*h) * 3;
#endif
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* info) {
    int w, h;
    (void)flag;
    TestInfoLength = len;
    if (!picture_size(buf, len, &w, &h))
        return 2;
    memset(info, 0, sizeof *info);
    info->width = w;
    info->height = h;
    info->colorDepth = 24;
    info->hInfo = LocalAlloc(LMEM_FIXED, 8);
    memcpy(LocalLock(info->hInfo), "comment", 8);
    LocalUnlock(info->hInfo);
    return 0;
}

static void put32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

enum { FAULT_NONE = -1, FAULT_SHORT_PIXELS = 0, FAULT_LONG_HEADER = 1, FAULT_SHORT_HEADER = 2 };

/* Nonzero when the host asked to stop. */
static int report(SusieProgressCallback progress, int32_t n, int32_t d, intptr_t lData) {
#ifdef PROGRESS
    return progress(n, d, lData) != 0;
#else
    (void)progress, (void)n, (void)d, (void)lData;
    return 0;
#endif
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback progress, intptr_t lData) {
    int w, h, y, i, fault = FAULT_NONE;
    (void)flag;
    TestPictureLength = len;
    if (!picture_size(buf, len, &w, &h))
        return 2;
#ifdef PALETTED
    const int bits = 8, colors = 256, bpp = 1;
#else
    const int bits = 24, colors = 0, bpp = 3;
#endif
    const size_t row = (size_t)w * bpp, stride = ((size_t)w * bits + 31) / 32 * 4;
    const size_t header = 40 + 4 * (size_t)colors, image = stride * (size_t)h;
#ifdef SHORT_BLOCKS
    fault = len > (intptr_t)(6 + row * h) ? (unsigned char)buf[6 + row * h] : FAULT_SHORT_PIXELS;
#endif
    *pHBInfo = LocalAlloc(LHND, fault == FAULT_SHORT_HEADER ? header - 4 : header);
    *pHBm = LocalAlloc(LHND, fault == FAULT_SHORT_PIXELS && image > 0 ? image - 1 : image);
    unsigned char *hdr = LocalLock(*pHBInfo), *bm = LocalLock(*pHBm);
    put32(hdr, fault == FAULT_LONG_HEADER ? 124 : 40);
    put32(hdr + 4, (uint32_t)w);
    put32(hdr + 8, (uint32_t)-h); /* rows from the top */
    hdr[12] = 1;
    hdr[14] = (unsigned char)bits;
    for (i = 0; i < colors && fault == FAULT_NONE; ++i)
        put32(hdr + 40 + 4 * i, (uint32_t)i * 0x010101u);
    if (report(progress, 0, h, lData)) { /* stopped: nothing handed back */
        LocalUnlock(*pHBInfo);
        LocalUnlock(*pHBm);
        LocalFree(*pHBInfo);
        LocalFree(*pHBm);
        *pHBInfo = *pHBm = NULL;
        return 1;
    }
    report(progress, 1, 0, lData); /* a total of zero must not upset the host */
    report(progress, 1, 3, lData);
    for (y = 0; y < h; ++y) {
        if ((size_t)y * stride + row <= LocalSize(*pHBm))
            memcpy(bm + (size_t)y * stride, buf + 6 + (size_t)y * row, row);
    }
    report(progress, h, h, lData);
    LocalUnlock(*pHBInfo);
    LocalUnlock(*pHBm);
    return 0;
}
