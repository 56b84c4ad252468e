/* iftiff.spi: a Susie import plug-in for TIFF pictures through libtiff. It answers the
 * first page, of any photometric that libtiff's RGBA reader turns into colour, upright by
 * the page's Orientation tag and laid onto white where it has alpha. */
#include "spicommon.h"

#include <stdlib.h>
#include <string.h>
#include <tiffio.h>

static const char* const kInfo[] = {
    "00IN", "iftiff: TIFF reader for Folivex (libtiff)", "*.tif", "TIFF", "*.tiff", "TIFF",
};

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_plugin_info(kInfo, sizeof kInfo / sizeof kInfo[0], infono, buf, buflen);
}

/* Classic TIFF and BigTIFF, either byte order. */
static int is_tiff(const unsigned char* p) {
    return (p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0) ||
           (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43));
}

int32_t IsSupported(const char* filename, void* dw) {
    (void)filename;
    return dw && is_tiff(dw);
}

typedef struct {
    const uint8_t* data;
    size_t size;
    uint64_t at;
} Input;

/* libtiff's file access, served from the input block and bounded by its length. */
static tmsize_t read_input(thandle_t h, void* out, tmsize_t wanted) {
    Input* in = h;
    if (wanted <= 0 || in->at >= in->size)
        return 0;
    size_t n = (size_t)wanted;
    if (n > in->size - in->at)
        n = in->size - (size_t)in->at;
    memcpy(out, in->data + in->at, n);
    in->at += n;
    return (tmsize_t)n;
}

static tmsize_t write_input(thandle_t h, void* data, tmsize_t n) {
    (void)h, (void)data, (void)n;
    return -1;
}

static toff_t seek_input(thandle_t h, toff_t offset, int whence) {
    Input* in = h;
    uint64_t base = whence == SEEK_CUR ? in->at : whence == SEEK_END ? in->size : 0;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
        return (toff_t)-1;
    in->at = base + offset; /* reads past the end then return nothing */
    return in->at;
}

static int close_input(thandle_t h) {
    (void)h;
    return 0;
}

static toff_t input_size(thandle_t h) {
    return ((Input*)h)->size;
}

static int map_input(thandle_t h, void** base, toff_t* size) {
    (void)h, (void)base, (void)size;
    return 0;
}

static void unmap_input(thandle_t h, void* base, toff_t size) {
    (void)h, (void)base, (void)size;
}

/* libtiff's messages are of no use to the host: a failure is reported by its result. */
static int quiet(TIFF* tif, void* user, const char* module, const char* fmt, va_list ap) {
    (void)tif, (void)user, (void)module, (void)fmt, (void)ap;
    return 1;
}

typedef struct {
    TIFF* tif;
    Input input;
    uint32_t width, height; /* as stored */
    int orientation;
} Tiff;

static int32_t open_tiff(Tiff* t, const char* buf, intptr_t len) {
    memset(t, 0, sizeof *t);
    t->input.data = (const uint8_t*)buf;
    t->input.size = spi_length(len);
    if (!buf || t->input.size < 8 || !is_tiff((const unsigned char*)buf))
        return SPI_UNKNOWN_FORMAT;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return SPI_NO_MEMORY;
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, NULL);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, NULL);
    t->tif = TIFFClientOpenExt("", "rm", &t->input, read_input, write_input, seek_input,
                               close_input, input_size, map_input, unmap_input, options);
    TIFFOpenOptionsFree(options);
    if (!t->tif)
        return SPI_BROKEN_DATA;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    if (TIFFGetField(t->tif, TIFFTAG_IMAGEWIDTH, &t->width) == 1 &&
        TIFFGetField(t->tif, TIFFTAG_IMAGELENGTH, &t->height) == 1 &&
        spi_size_allowed(t->width, t->height)) {
        TIFFGetFieldDefaulted(t->tif, TIFFTAG_ORIENTATION, &orientation);
        t->orientation = spi_orientation_valid(orientation);
        return SPI_OK;
    }
    TIFFClose(t->tif);
    t->tif = NULL;
    return SPI_BROKEN_DATA;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Tiff t;
    uint32_t width, height;
    (void)flag;
    const int32_t result = open_tiff(&t, buf, len);
    if (result != SPI_OK)
        return result;
    spi_upright_size(t.orientation, t.width, t.height, &width, &height);
    spi_picture_info(lpInfo, width, height, 24);
    TIFFClose(t.tif);
    return SPI_OK;
}

/* The page as stored, rows from the top, in libtiff's packed RGBA words (which it has
 * premultiplied where the page has alpha). */
static int32_t read_raster(Tiff* t, uint32_t* raster) {
    char message[1024];
    TIFFRGBAImage image;
    if (!TIFFRGBAImageOK(t->tif, message) || !TIFFRGBAImageBegin(&image, t->tif, 1, message))
        return SPI_BROKEN_DATA;
    /* Asking for the page's own orientation keeps libtiff from flipping it; the turn to
     * upright, which libtiff does only halfway, is done for all eight values later. */
    image.req_orientation = (uint16_t)t->orientation;
    const int ok = TIFFRGBAImageGet(&image, raster, t->width, t->height);
    TIFFRGBAImageEnd(&image);
    return ok ? SPI_OK : SPI_BROKEN_DATA;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Tiff t;
    (void)flag;
    int32_t result = open_tiff(&t, buf, len);
    if (result != SPI_OK)
        return result;
    uint32_t* raster = NULL;
    if (spi_progress(lpPrgressCallback, lData, 0, t.height))
        result = SPI_ABORTED;
    else if (!(raster = _TIFFmalloc((tmsize_t)((uint64_t)t.width * t.height * 4))))
        result = SPI_NO_MEMORY;
    else
        result = read_raster(&t, raster);
    TIFFClose(t.tif);
    if (result == SPI_OK) {
        /* Each word is R | G << 8 | B << 16 | A << 24: on a little-endian machine its
         * bytes are already red, green, blue, alpha. */
        for (uint64_t i = 0, n = (uint64_t)t.width * t.height; i < n; ++i) {
            const uint32_t w = raster[i];
            uint8_t* p = (uint8_t*)&raster[i];
            p[0] = (uint8_t)TIFFGetR(w), p[1] = (uint8_t)TIFFGetG(w);
            p[2] = (uint8_t)TIFFGetB(w), p[3] = (uint8_t)TIFFGetA(w);
        }
        const SpiRgba picture = {(const uint8_t*)raster, t.width, t.height, (size_t)t.width * 4,
                                 SPI_ALPHA_PREMULTIPLIED};
        result = spi_deliver_rgba(&picture, t.orientation, pHBInfo, pHBm, lpPrgressCallback, lData);
    }
    if (raster)
        _TIFFfree(raster);
    return result;
}
