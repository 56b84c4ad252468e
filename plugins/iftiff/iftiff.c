/* iftiff.spi: a Susie import plug-in for TIFF pictures through libtiff. It answers the
 * first page, of any photometric that libtiff's RGBA reader turns into colour, upright by
 * the page's Orientation tag and laid onto white where it has alpha (associated or not, as
 * the ExtraSamples tag says). Camera raw files, which start like a TIFF, are left to the
 * raw plug-in: their first page is only a small preview. */
#include "spicommon.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>
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

/* ---- camera raw files ---- */

/* The names the raw plug-in reads. */
static int has_raw_extension(const char* filename) {
    static const char* const kRaw[] = {"nef", "nrw", "cr2", "cr3", "crw", "arw", "srf",
                                       "sr2", "dng", "orf", "rw2", "raf", "pef", "srw",
                                       "x3f", "3fr", "iiq", "kdc", "mrw"};
    const char* slash = filename ? strrchr(filename, '/') : NULL;
    const char* dot = filename ? strrchr(slash ? slash : filename, '.') : NULL;
    if (!dot)
        return 0;
    for (size_t i = 0; i < sizeof kRaw / sizeof kRaw[0]; ++i)
        if (strcasecmp(dot + 1, kRaw[i]) == 0)
            return 1;
    return 0;
}

/* Bounded reads of a classic TIFF header in its own byte order; 0 past the end. */
typedef struct {
    const unsigned char* p;
    size_t n;
    int big_endian;
} Head;

static uint32_t head16(const Head* h, uint64_t at) {
    if (at + 2 > h->n)
        return 0;
    const unsigned char* q = h->p + at;
    return h->big_endian ? (uint32_t)q[0] << 8 | q[1] : (uint32_t)q[1] << 8 | q[0];
}

static uint32_t head32(const Head* h, uint64_t at) {
    const uint32_t a = head16(h, at), b = head16(h, at + 2);
    return h->big_endian ? a << 16 | b : b << 16 | a;
}

enum { kTagMake = 271, kTagPhotometric = 262, kTagSubIfds = 330, kTagDngVersion = 50706 };
enum { kPhotometricLinearRaw = 34892, kMostSubIfds = 8 };

typedef struct {
    int dng, camera_maker, sensor_data;
} RawMarks;

/* The Make tag names a maker of digital cameras that write raw files. */
static int is_camera_maker(const Head* h, uint64_t entry) {
    static const char* const kMakers[] = {
        "NIKON",   "Canon",         "SONY",      "PENTAX",         "RICOH",
        "OLYMPUS", "OM Digital",    "Panasonic", "LEICA",          "FUJIFILM",
        "SAMSUNG", "Hasselblad",    "Phase One", "Leaf",           "Mamiya",
        "Kodak",   "EASTMAN KODAK", "Minolta",   "KONICA MINOLTA", "SIGMA"};
    const uint32_t count = head32(h, entry + 4);
    const uint64_t at = count <= 4 ? entry + 8 : head32(h, entry + 8);
    if (head16(h, entry + 2) != TIFF_ASCII || count == 0 || at + count > h->n)
        return 0;
    for (size_t i = 0; i < sizeof kMakers / sizeof kMakers[0]; ++i) {
        const size_t len = strlen(kMakers[i]);
        if (len <= count && strncasecmp((const char*)h->p + at, kMakers[i], len) == 0)
            return 1;
    }
    return 0;
}

/* Colour-filter-array or linear raw samples: a sensor's data, which no scanner or editor
 * writes as an ordinary picture. */
static int is_sensor_photometric(const Head* h, uint64_t entry) {
    const uint32_t value = head16(h, entry + 8);
    return head16(h, entry + 2) == TIFF_SHORT &&
           (value == PHOTOMETRIC_CFA || value == kPhotometricLinearRaw);
}

/* Looks through the directory at offset (and, from the first directory, the directories
 * its SubIFDs tag lists) for the marks of a camera raw file. */
static void scan_directory(const Head* h, uint64_t offset, int first, RawMarks* marks) {
    const uint32_t entries = head16(h, offset);
    for (uint32_t i = 0; i < entries && offset + 2 + 12 * (uint64_t)(i + 1) <= h->n; ++i) {
        const uint64_t entry = offset + 2 + 12 * (uint64_t)i;
        const uint32_t tag = head16(h, entry), count = head32(h, entry + 4);
        if (tag == kTagPhotometric)
            marks->sensor_data |= is_sensor_photometric(h, entry);
        else if (first && tag == kTagMake)
            marks->camera_maker = is_camera_maker(h, entry);
        else if (first && tag == kTagDngVersion)
            marks->dng = 1;
        else if (first && tag == kTagSubIfds && count > 0) {
            const uint64_t list = count == 1 ? entry + 8 : head32(h, entry + 8);
            for (uint32_t k = 0; k < count && k < kMostSubIfds; ++k)
                scan_directory(h, head32(h, list + 4 * (uint64_t)k), 0, marks);
        }
    }
}

/* A camera raw file by what its first n bytes show: the ORF and RW2 headers, the CR2 mark
 * after the TIFF header, a DNGVersion tag, or a camera maker's Make tag together with
 * sensor data in the first directory or its SubIFDs. */
static int looks_like_raw(const unsigned char* p, size_t n) {
    if (n >= 4 && (memcmp(p, "IIRO", 4) == 0 || memcmp(p, "IIRS", 4) == 0 ||
                   memcmp(p, "MMOR", 4) == 0 || memcmp(p, "IIU\0", 4) == 0))
        return 1;
    if (n < 10 || !is_tiff(p) || p[2 + (p[0] == 'M')] != 42) /* raws are classic TIFF */
        return 0;
    if (p[8] == 'C' && p[9] == 'R')
        return 1;
    const Head h = {p, n, p[0] == 'M'};
    RawMarks marks = {0, 0, 0};
    scan_directory(&h, head32(&h, 4), 1, &marks);
    return marks.dng || (marks.camera_maker && marks.sensor_data);
}

int32_t IsSupported(const char* filename, void* dw) {
    /* dw holds the first 2048 bytes whatever the file's length */
    return dw && is_tiff(dw) && !has_raw_extension(filename) && !looks_like_raw(dw, 2048);
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
    if (!buf || t->input.size < 8 || !is_tiff((const unsigned char*)buf) ||
        looks_like_raw((const unsigned char*)buf, t->input.size))
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

/* One sample scaled to 8 bits (16-bit ones rounded), from a row of 8- or 16-bit samples
 * in the machine's byte order, as libtiff hands them over. */
static unsigned sample8(const unsigned char* p, int bytes) {
    uint16_t v;
    if (bytes == 1)
        return *p;
    memcpy(&v, p, 2);
    return ((unsigned)v * 255u + 32767u) / 65535u;
}

/* libtiff's RGBA reader lays grey with alpha out unpremultiplied at 8 bits (and drops the
 * alpha at 16), where it premultiplies RGB: this put routine for interleaved grey with
 * alpha makes both depths premultiplied like the RGB pages, following ExtraSamples. */
static void put_grey_alpha(TIFFRGBAImage* img, uint32_t* cp, uint32_t x, uint32_t y, uint32_t w,
                           uint32_t h, int32_t fromskew, int32_t toskew, unsigned char* pp) {
    const int bytes = img->bitspersample / 8;
    const size_t step = (size_t)img->samplesperpixel * (size_t)bytes;
    const int associated = img->alpha == EXTRASAMPLE_ASSOCALPHA;
    const int inverted = img->photometric == PHOTOMETRIC_MINISWHITE;
    (void)x, (void)y;
    for (; h > 0; --h) {
        for (uint32_t i = 0; i < w; ++i, pp += step) {
            const unsigned a = sample8(pp + bytes, bytes);
            unsigned g = sample8(pp, bytes);
            if (associated && g > a)
                g = a; /* a premultiplied value cannot exceed its alpha */
            if (inverted)
                g = (associated ? a : 255u) - g;
            if (!associated)
                g = (g * a + 127u) / 255u;
            *cp++ = g | g << 8 | g << 16 | a << 24;
        }
        cp += toskew;
        pp += (ptrdiff_t)fromskew * (ptrdiff_t)step;
    }
}

/* Interleaved grey of 8 or 16 bits with an alpha sample that libtiff found. */
static int is_grey_alpha(const TIFFRGBAImage* img) {
    return img->isContig && img->alpha &&
           (img->photometric == PHOTOMETRIC_MINISBLACK ||
            img->photometric == PHOTOMETRIC_MINISWHITE) &&
           (img->bitspersample == 8 || img->bitspersample == 16) && img->samplesperpixel >= 2;
}

/* The page as stored, rows from the top, in libtiff's packed RGBA words, premultiplied
 * where the page has alpha. libtiff reads ExtraSamples: associated alpha is kept as
 * stored, unassociated alpha premultiplied, and an unspecified extra sample counts as
 * associated alpha on RGB pages (a workaround for writers that leave it so) and is not
 * alpha on grey ones. */
static int32_t read_raster(Tiff* t, uint32_t* raster) {
    char message[1024];
    TIFFRGBAImage image;
    if (!TIFFRGBAImageOK(t->tif, message) || !TIFFRGBAImageBegin(&image, t->tif, 1, message))
        return SPI_BROKEN_DATA;
    if (is_grey_alpha(&image))
        image.put.contig = put_grey_alpha;
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
