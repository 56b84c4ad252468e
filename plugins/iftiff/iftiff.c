/* iftiff.spi: a Susie import plug-in for TIFF pictures through libtiff. It answers the
 * first page, of any photometric that libtiff's RGBA reader turns into colour, upright by
 * the page's Orientation tag and laid onto white where it has alpha (associated or not, as
 * the ExtraSamples tag says). The common 8-bit layouts are decoded straight into the
 * bitmap. Camera raw files, which start like a TIFF, are left to the
 * raw plug-in: their first page is only a small preview. */
#include "spicommon.h"

#include <pthread.h>
#include <stdatomic.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <tiffio.h>
#include <unistd.h>

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

/* The input is already in memory: libtiff reads it in place, as a mapped file, which it
 * only reads. (Read through read_input instead, libtiff 4.5's RGBA reader refused the
 * uncompressed tiled pages tried: "Invalid tile byte count".) */
static int map_input(thandle_t h, void** base, toff_t* size) {
    Input* in = h;
    *base = (void*)in->data;
    *size = in->size;
    return 1;
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
    t->tif = TIFFClientOpenExt("", "r", &t->input, read_input, write_input, seek_input, close_input,
                               input_size, map_input, unmap_input, options);
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

/* ---- the layouts read directly ----
 * 8-bit grey, palette, RGB and RGB with one alpha sample, in strips or tiles, contiguous
 * or in separate planes, are decoded by libtiff strip by strip (or tile by tile) and laid
 * straight into the bitmap, upright, with the same arithmetic as libtiff's RGBA reader
 * and the turn and white background that follow it. Everything else goes through that
 * reader. */

enum { kGrey, kGreyInverted, kPalette, kRgb, kRgba };
enum { kMostWorkingBytes = 4 << 20 }; /* a larger strip is read a row at a time */
enum { kMostTileBytes = 16 << 20 };   /* a larger tile goes through the RGBA reader */

typedef struct {
    int kind;
    int separate;   /* one plane per sample */
    int associated; /* kRgba: the colour is premultiplied as stored */
    uint16_t samples;
    uint16_t bytes; /* per sample: 1, or 2 for 16-bit grey */
    uint8_t palette[256][3];
    SpiDib dib;
    ptrdiff_t step; /* from one stored pixel of a row to the next, in the bitmap */
    Tiff* tiff;
} Direct;

/* libtiff's RGBA reader takes a colour map whose entries all fit 8 bits as 8-bit (a common
 * writer's mistake), else keeps the high byte of each 16-bit entry. */
static int read_palette(TIFF* tif, Direct* d) {
    uint16_t *red, *green, *blue;
    if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) != 1)
        return 0;
    int wide = 0;
    for (int i = 0; i < 256; ++i)
        wide |= red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
    for (int i = 0; i < 256; ++i) {
        d->palette[i][0] = (uint8_t)(wide ? red[i] >> 8 : red[i]);
        d->palette[i][1] = (uint8_t)(wide ? green[i] >> 8 : green[i]);
        d->palette[i][2] = (uint8_t)(wide ? blue[i] >> 8 : blue[i]);
    }
    return 1;
}

/* Which direct layout the page has; 0 when it has none and goes through the RGBA reader. */
static int choose_direct(Tiff* t, Direct* d) {
    TIFF* tif = t->tif;
    uint16_t bits = 1, samples = 1, photometric, planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE, format = SAMPLEFORMAT_UINT, extras = 0;
    uint16_t* extra = NULL;
    memset(d, 0, sizeof *d);
    d->tiff = t;
    if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 1)
        return 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extras, &extra);
    if ((bits != 8 && bits != 16) || format != SAMPLEFORMAT_UINT ||
        compression == COMPRESSION_OJPEG || compression == COMPRESSION_JPEG ||
        (TIFFIsTiled(tif) && TIFFTileSize64(tif) > kMostTileBytes))
        return 0;
    d->samples = samples;
    d->separate = planar == PLANARCONFIG_SEPARATE;
    if (samples == 1 && extras == 0 && photometric == PHOTOMETRIC_MINISBLACK)
        d->kind = kGrey;
    else if (samples == 1 && extras == 0 && photometric == PHOTOMETRIC_MINISWHITE)
        d->kind = kGreyInverted;
    else if (samples == 1 && extras == 0 && photometric == PHOTOMETRIC_PALETTE)
        d->kind = read_palette(tif, d) ? kPalette : -1;
    else if (samples == 3 && extras == 0 && photometric == PHOTOMETRIC_RGB)
        d->kind = kRgb;
    else if (samples == 4 && extras == 1 && photometric == PHOTOMETRIC_RGB) {
        /* as libtiff has it: an unspecified fourth sample counts as associated alpha */
        d->kind = kRgba;
        d->associated = extra[0] != EXTRASAMPLE_UNASSALPHA;
    } else
        return 0;
    /* 16-bit grey too: libtiff's RGBA reader leaves the edge tiles of a tiled one blank. */
    if (bits == 16 && d->kind != kGrey && d->kind != kGreyInverted)
        return 0;
    d->bytes = bits / 8;
    return d->kind >= 0;
}

/* Where stored pixel (x, y) goes in the upright bitmap. */
static unsigned char* upright_at(Direct* d, uint32_t x, uint32_t y) {
    const uint32_t w = d->tiff->width - 1, h = d->tiff->height - 1;
    uint32_t ux = x, uy = y;
    switch (d->tiff->orientation) {
    case 2:
        ux = w - x;
        break;
    case 3:
        ux = w - x, uy = h - y;
        break;
    case 4:
        uy = h - y;
        break;
    case 5:
        ux = y, uy = x;
        break;
    case 6:
        ux = h - y, uy = x;
        break;
    case 7:
        ux = h - y, uy = w - x;
        break;
    case 8:
        ux = y, uy = w - x;
        break;
    default:
        break;
    }
    return spi_dib_row(&d->dib, uy) + 3 * (size_t)ux;
}

static ptrdiff_t upright_step(const Direct* d) {
    const ptrdiff_t stride = (ptrdiff_t)d->dib.stride;
    switch (d->tiff->orientation) {
    case 2:
    case 3:
        return -3;
    case 5:
    case 6:
        return -stride; /* the next stored column is the next row up */
    case 7:
    case 8:
        return stride;
    default:
        return 3;
    }
}

/* A grey sample at 8 bits as libtiff's RGBA reader has it: a 16-bit one (in the machine's
 * byte order) keeps its high byte. */
static uint8_t high8(const uint8_t* p, int bytes) {
    uint16_t v;
    if (bytes == 1)
        return *p;
    memcpy(&v, p, 2);
    return (uint8_t)(v >> 8);
}

/* Alpha onto white as the RGBA reader and the turn after it do: unassociated colour
 * premultiplied (rounded), then the premultiplied colour laid onto white. */
static uint8_t rgba_on_white(const Direct* d, uint8_t c, uint8_t a) {
    if (!d->associated)
        c = (uint8_t)(((unsigned)c * a + 127u) / 255u);
    return spi_on_white(c, a, SPI_ALPHA_PREMULTIPLIED);
}

/* A run of count stored pixels of all samples, from (x, y), into the bitmap: a loop per
 * kind, since this runs for every pixel. */
static void put_contig(Direct* d, const uint8_t* in, uint32_t x, uint32_t y, uint32_t count) {
    unsigned char* out = upright_at(d, x, y);
    const ptrdiff_t step = d->step;
    const int bytes = d->bytes;
    uint32_t i;
    switch (d->kind) {
    case kGrey:
        for (i = 0; i < count; ++i, out += step, in += bytes)
            out[0] = out[1] = out[2] = high8(in, bytes);
        break;
    case kGreyInverted:
        for (i = 0; i < count; ++i, out += step, in += bytes)
            out[0] = out[1] = out[2] = (uint8_t)(255 - high8(in, bytes));
        break;
    case kPalette:
        for (i = 0; i < count; ++i, out += step, ++in)
            out[0] = d->palette[*in][2], out[1] = d->palette[*in][1], out[2] = d->palette[*in][0];
        break;
    case kRgb:
        for (i = 0; i < count; ++i, out += step, in += 3)
            out[0] = in[2], out[1] = in[1], out[2] = in[0];
        break;
    default:
        for (i = 0; i < count; ++i, out += step, in += 4) {
            out[0] = rgba_on_white(d, in[2], in[3]), out[1] = rgba_on_white(d, in[1], in[3]);
            out[2] = rgba_on_white(d, in[0], in[3]);
        }
        break;
    }
}

/* A run of one sample plane: red, green and blue go to their places, alpha (the last
 * plane) lays the colour already there onto white. */
static void put_plane(Direct* d, const uint8_t* in, uint16_t plane, uint32_t x, uint32_t y,
                      uint32_t count) {
    if (d->kind != kRgb && d->kind != kRgba) {
        put_contig(d, in, x, y, count);
        return;
    }
    unsigned char* out = upright_at(d, x, y);
    for (uint32_t i = 0; i < count; ++i, out += d->step, ++in) {
        if (plane < 3)
            out[2 - plane] = *in;
        else
            for (int c = 0; c < 3; ++c)
                out[c] = rgba_on_white(d, out[c], *in);
    }
}

/* Rows of one strip (or of its plane) held in a buffer, into the bitmap. */
static void put_rows(Direct* d, const uint8_t* in, size_t row_bytes, uint16_t plane, uint32_t y,
                     uint32_t rows) {
    for (uint32_t r = 0; r < rows; ++r, in += row_bytes) {
        if (d->separate)
            put_plane(d, in, plane, 0, y + r, d->tiff->width);
        else
            put_contig(d, in, 0, y + r, d->tiff->width);
    }
}

typedef struct {
    SusieProgressCallback progress;
    intptr_t data;
    uint32_t done, total;
} Steps;

static int32_t next_step(Steps* s) {
    return spi_progress(s->progress, s->data, s->done++, s->total) ? SPI_ABORTED : SPI_OK;
}

/* A strip too large to hold, one row at a time, in the order libtiff needs: all rows of
 * one plane before the next. */
static int32_t read_strip_rows(Direct* d, uint8_t* row, uint16_t plane, uint32_t y, uint32_t rows) {
    for (uint32_t r = 0; r < rows; ++r) {
        if (TIFFReadScanline(d->tiff->tif, row, y + r, plane) < 0)
            return SPI_BROKEN_DATA;
        put_rows(d, row, 0, plane, y + r, 1);
    }
    return SPI_OK;
}

/* The strips of a page shared out between the plug-in's thread and a worker per further
 * core: each takes the next strip not yet taken, decodes it with its own libtiff handle
 * on the same input and lays it into its rows of the bitmap. Only the plug-in's thread
 * reports progress; a stop or an error ends every thread at its next strip. */
typedef struct {
    uint32_t per_strip, strips, total;
    size_t row_bytes;
    atomic_uint next;
    atomic_int result; /* SPI_OK until a thread fails or is stopped */
    Steps* steps;
} StripJob;

enum { kMostWorkers = 7, kLeastParallelPixels = 1 << 20 };

static void take_strips(StripJob* job, Direct* d, uint8_t* buffer, int reports) {
    for (;;) {
        const uint32_t i = atomic_fetch_add(&job->next, 1);
        if (i >= job->total || atomic_load(&job->result) != SPI_OK)
            return;
        const uint16_t plane = (uint16_t)(i / job->strips);
        const uint32_t y = i % job->strips * job->per_strip;
        const uint32_t left = d->tiff->height - y;
        const uint32_t rows = left < job->per_strip ? left : job->per_strip;
        int32_t result = SPI_OK;
        if (reports && spi_progress(job->steps->progress, job->steps->data, i, job->total))
            result = SPI_ABORTED;
        else if (TIFFReadEncodedStrip(d->tiff->tif, i, buffer, (tmsize_t)(job->row_bytes * rows)) <
                 0)
            result = SPI_BROKEN_DATA;
        else
            put_rows(d, buffer, job->row_bytes, plane, y, rows);
        if (result != SPI_OK) {
            int ok = SPI_OK;
            atomic_compare_exchange_strong(&job->result, &ok, result);
            return;
        }
    }
}

typedef struct {
    pthread_t thread;
    StripJob* job;
    Direct direct; /* the page's layout with the worker's own handle */
    Tiff tiff;
} StripWorker;

static void* run_strip_worker(void* arg) {
    StripWorker* w = arg;
    uint8_t* buffer = calloc(w->job->per_strip, w->job->row_bytes);
    if (buffer)
        take_strips(w->job, &w->direct, buffer, 0);
    free(buffer); /* without a buffer the others take its strips */
    return NULL;
}

/* Starts up to count workers on the job; how many started. */
static int start_strip_workers(StripJob* job, Direct* d, StripWorker* workers, int count) {
    int started = 0;
    for (int i = 0; i < count; ++i) {
        StripWorker* w = &workers[started];
        w->job = job;
        w->direct = *d;
        if (open_tiff(&w->tiff, (const char*)d->tiff->input.data, (intptr_t)d->tiff->input.size) !=
            SPI_OK)
            break;
        w->direct.tiff = &w->tiff;
        if (pthread_create(&w->thread, NULL, run_strip_worker, w) != 0) {
            TIFFClose(w->tiff.tif);
            break;
        }
        ++started;
    }
    return started;
}

static int worker_count(const Direct* d, const StripJob* job) {
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    /* alpha in a plane of its own is laid onto colour that must already be there */
    if ((d->separate && d->kind == kRgba) || cores < 2 ||
        (uint64_t)d->tiff->width * d->tiff->height < kLeastParallelPixels)
        return 0;
    long count = cores - 1 < kMostWorkers ? cores - 1 : kMostWorkers;
    if ((uint32_t)count >= job->total)
        count = (long)job->total - 1;
    return (int)count;
}

/* A strip too large to hold, one row at a time, in the order libtiff needs: all rows of
 * one plane before the next. */
static int32_t read_strips_by_rows(Direct* d, StripJob* job) {
    uint8_t* row = calloc(1, job->row_bytes);
    int32_t result = row ? SPI_OK : SPI_NO_MEMORY;
    for (uint32_t i = 0; result == SPI_OK && i < job->total; ++i) {
        const uint16_t plane = (uint16_t)(i / job->strips);
        const uint32_t y = i % job->strips * job->per_strip;
        const uint32_t left = d->tiff->height - y;
        result = next_step(job->steps);
        if (result == SPI_OK)
            result =
                read_strip_rows(d, row, plane, y, left < job->per_strip ? left : job->per_strip);
    }
    free(row);
    return result;
}

static int32_t read_strips(Direct* d, Steps* steps) {
    StripJob job;
    StripWorker workers[kMostWorkers];
    uint32_t per_strip = d->tiff->height;
    TIFFGetFieldDefaulted(d->tiff->tif, TIFFTAG_ROWSPERSTRIP, &per_strip);
    if (per_strip == 0 || per_strip > d->tiff->height)
        per_strip = d->tiff->height;
    job.per_strip = per_strip;
    job.row_bytes = (size_t)d->tiff->width * (d->separate ? 1 : d->samples) * d->bytes;
    job.strips = (d->tiff->height - 1) / per_strip + 1;
    job.total = (uint32_t)(d->separate ? d->samples : 1) * job.strips;
    job.steps = steps;
    atomic_init(&job.next, 0);
    atomic_init(&job.result, SPI_OK);
    steps->total = job.total;
    if ((uint64_t)job.row_bytes * per_strip > kMostWorkingBytes)
        return read_strips_by_rows(d, &job);
    uint8_t* buffer = calloc(per_strip, job.row_bytes); /* a short strip shows no garbage */
    if (!buffer)
        return SPI_NO_MEMORY;
    const int started = start_strip_workers(&job, d, workers, worker_count(d, &job));
    take_strips(&job, d, buffer, 1);
    for (int i = 0; i < started; ++i) {
        pthread_join(workers[i].thread, NULL);
        TIFFClose(workers[i].tiff.tif);
    }
    free(buffer);
    steps->done = job.total;
    return atomic_load(&job.result);
}

static int32_t read_tiles(Direct* d, Steps* steps) {
    TIFF* tif = d->tiff->tif;
    uint32_t tw = 0, th = 0;
    if (TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) != 1 ||
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th) != 1 || tw == 0 || th == 0)
        return SPI_BROKEN_DATA;
    const uint16_t planes = d->separate ? d->samples : 1;
    const size_t pixel = (d->separate ? 1 : d->samples) * (size_t)d->bytes;
    const size_t tile_row = (size_t)tw * pixel;
    const uint32_t across = (d->tiff->width - 1) / tw + 1, down = (d->tiff->height - 1) / th + 1;
    uint8_t* tile = calloc(th, tile_row);
    int32_t result = tile ? SPI_OK : SPI_NO_MEMORY;
    steps->total = (uint32_t)((uint64_t)planes * across * down);
    for (uint16_t plane = 0; result == SPI_OK && plane < planes; ++plane)
        for (uint32_t ty = 0; result == SPI_OK && ty < down; ++ty)
            for (uint32_t tx = 0; result == SPI_OK && tx < across; ++tx) {
                const uint32_t x = tx * tw, y = ty * th;
                result = next_step(steps);
                if (result != SPI_OK)
                    break;
                if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, plane), tile,
                                        (tmsize_t)(tile_row * th)) < 0) {
                    result = SPI_BROKEN_DATA;
                    break;
                }
                const uint32_t w = d->tiff->width - x < tw ? d->tiff->width - x : tw;
                const uint32_t h = d->tiff->height - y < th ? d->tiff->height - y : th;
                for (uint32_t r = 0; r < h; ++r) {
                    const uint8_t* in = tile + r * tile_row;
                    if (d->separate)
                        put_plane(d, in, plane, x, y + r, w);
                    else
                        put_contig(d, in, x, y + r, w);
                }
            }
    free(tile);
    return result;
}

static int32_t read_direct(Direct* d, HLOCAL* pHBInfo, HLOCAL* pHBm, SusieProgressCallback progress,
                           intptr_t data) {
    Steps steps = {progress, data, 0, 1};
    uint32_t width, height;
    spi_upright_size(d->tiff->orientation, d->tiff->width, d->tiff->height, &width, &height);
    int32_t result = spi_dib_create(&d->dib, width, height, 24);
    if (result != SPI_OK)
        return result;
    d->step = upright_step(d);
    result = TIFFIsTiled(d->tiff->tif) ? read_tiles(d, &steps) : read_strips(d, &steps);
    if (result == SPI_OK)
        result = next_step(&steps);
    if (result != SPI_OK) {
        spi_dib_discard(&d->dib);
        return result;
    }
    return spi_dib_finish(&d->dib, pHBInfo, pHBm);
}

/* Any other page through libtiff's RGBA reader, then turned upright onto white. */
static int32_t read_general(Tiff* t, HLOCAL* pHBInfo, HLOCAL* pHBm,
                            SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    uint32_t* raster = NULL;
    int32_t result;
    if (spi_progress(lpPrgressCallback, lData, 0, t->height))
        result = SPI_ABORTED;
    else if (!(raster = _TIFFmalloc((tmsize_t)((uint64_t)t->width * t->height * 4))))
        result = SPI_NO_MEMORY;
    else
        result = read_raster(t, raster);
    if (result == SPI_OK) {
        /* Each word is R | G << 8 | B << 16 | A << 24: on a little-endian machine its
         * bytes are already red, green, blue, alpha. */
        for (uint64_t i = 0, n = (uint64_t)t->width * t->height; i < n; ++i) {
            const uint32_t w = raster[i];
            uint8_t* p = (uint8_t*)&raster[i];
            p[0] = (uint8_t)TIFFGetR(w), p[1] = (uint8_t)TIFFGetG(w);
            p[2] = (uint8_t)TIFFGetB(w), p[3] = (uint8_t)TIFFGetA(w);
        }
        const SpiRgba picture = {(const uint8_t*)raster, t->width, t->height, (size_t)t->width * 4,
                                 SPI_ALPHA_PREMULTIPLIED};
        result =
            spi_deliver_rgba(&picture, t->orientation, pHBInfo, pHBm, lpPrgressCallback, lData);
    }
    if (raster)
        _TIFFfree(raster);
    return result;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Tiff t;
    Direct direct;
    (void)flag;
    int32_t result = open_tiff(&t, buf, len);
    if (result != SPI_OK)
        return result;
    if (choose_direct(&t, &direct))
        result = read_direct(&direct, pHBInfo, pHBm, lpPrgressCallback, lData);
    else
        result = read_general(&t, pHBInfo, pHBm, lpPrgressCallback, lData);
    TIFFClose(t.tif);
    return result;
}
