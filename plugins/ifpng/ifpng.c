/* ifpng.spi: a Susie import plug-in for PNG pictures through libpng's reader: every colour
 * type and bit depth (16 bits rounded to 8), palettes, tRNS and alpha laid onto white,
 * interlaced or not. Samples are shown as stored, 16-bit ones as sRGB like 8-bit ones, as
 * other viewers show them: gAMA, cHRM and sBIT are not applied. An animated PNG shows its
 * default image, the first frame of nearly every such file (the animation chunks are
 * ancillary and skipped). */
#include "spicommon.h"

#include <png.h>
#include <setjmp.h>
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

typedef struct {
    const uint8_t* data;
    size_t size, at;
} Input;

/* libpng's reads, bounded by the input's length: a read past the end is an error, so
 * truncated data is refused rather than padded. */
static void read_input(png_structp png, png_bytep out, size_t wanted) {
    Input* in = png_get_io_ptr(png);
    if (wanted > in->size - in->at)
        png_error(png, "truncated");
    memcpy(out, in->data + in->at, wanted);
    in->at += wanted;
}

/* libpng's messages are of no use to the host: a failure is reported by its result. */
static void fail(png_structp png, png_const_charp message) {
    (void)message;
    png_longjmp(png, 1);
}

static void ignore(png_structp png, png_const_charp message) {
    (void)png, (void)message;
}

typedef struct {
    png_structp png;
    png_infop info;
    Input input;
    uint32_t width, height;
} Png;

static void close_png(Png* p) {
    if (p->png)
        png_destroy_read_struct(&p->png, p->info ? &p->info : NULL, NULL);
    p->png = NULL;
    p->info = NULL;
}

/* The ancillary chunks that do not change the picture shown are passed over unread: libpng
 * would otherwise allocate what a text or profile chunk's length claims (gigabytes in a
 * few damaged bytes) before finding the data missing. */
static void skip_unused_chunks(png_structp png) {
    static const png_byte kUnused[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0"
                                      "pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0sTER\0tEXt\0tIME\0zTXt";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnused, (int)(sizeof kUnused / 5));
}

/* Reads the chunks before the image data; on SPI_OK the reader must be closed. */
static int32_t open_png(Png* p, const char* buf, intptr_t len) {
    memset(p, 0, sizeof *p);
    p->input.data = (const uint8_t*)buf;
    p->input.size = spi_length(len);
    if (!buf || p->input.size < sizeof kSignature ||
        memcmp(buf, kSignature, sizeof kSignature) != 0)
        return SPI_UNKNOWN_FORMAT;
    p->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, fail, ignore);
    if (p->png)
        p->info = png_create_info_struct(p->png);
    if (!p->info) {
        close_png(p);
        return SPI_NO_MEMORY;
    }
    if (setjmp(png_jmpbuf(p->png))) {
        close_png(p);
        return SPI_BROKEN_DATA;
    }
    png_set_read_fn(p->png, &p->input, read_input);
    skip_unused_chunks(p->png);
    png_read_info(p->png, p->info);
    p->width = png_get_image_width(p->png, p->info);
    p->height = png_get_image_height(p->png, p->info);
    if (!spi_size_allowed(p->width, p->height)) {
        close_png(p);
        return SPI_BROKEN_DATA;
    }
    return SPI_OK;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Png p;
    (void)flag;
    const int32_t result = open_png(&p, buf, len);
    if (result != SPI_OK)
        return result;
    spi_picture_info(lpInfo, p.width, p.height, 24);
    close_png(&p);
    return SPI_OK;
}

typedef struct {
    Png png;
    SpiDib dib;
    int passes;
    uint8_t* alpha_rows; /* BGRA rows where the picture has alpha: all when interlaced */
    SusieProgressCallback progress;
    intptr_t data;
} Decode;

/* Asks libpng for 8-bit BGR or BGRA rows whatever the file stores; the number of
 * channels it will deliver. */
static int set_transforms(Decode* d) {
    png_structp png = d->png.png;
    png_set_expand(png); /* palettes, grey under 8 bits, tRNS into alpha */
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    d->passes = png_set_interlace_handling(png);
    png_read_update_info(png, d->png.info);
    return png_get_channels(png, d->png.info);
}

/* Straight alpha onto white, rounded as spi_dib_put_rgba does. */
static void lay_on_white(const uint8_t* bgra, unsigned char* bgr, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned a = bgra[3];
        for (int c = 0; c < 3; ++c)
            bgr[c] = (unsigned char)((bgra[c] * a + 255u * (255u - a) + 127u) / 255u);
    }
}

/* Every row of every pass, into the bitmap or, with alpha, through the BGRA rows; one
 * progress step per row read. */
static int32_t read_rows(Decode* d) {
    const uint32_t width = d->png.width, height = d->png.height;
    const uint32_t total = (uint32_t)d->passes * height; /* at most 7 x 2^28 */
    for (uint32_t pass = 0, done = 0; pass < (uint32_t)d->passes; ++pass) {
        for (uint32_t y = 0; y < height; ++y, ++done) {
            if (spi_progress(d->progress, d->data, done, total))
                return SPI_ABORTED;
            unsigned char* out = spi_dib_row(&d->dib, y);
            uint8_t* row = out;
            if (d->alpha_rows)
                row = d->alpha_rows + (d->passes > 1 ? (size_t)y * width * 4 : 0);
            png_read_row(d->png.png, row, NULL);
            if (d->alpha_rows && pass + 1 == (uint32_t)d->passes)
                lay_on_white(row, out, width);
        }
    }
    png_read_end(d->png.png, NULL); /* the rest up to IEND, so that a cut file is refused */
    return spi_progress(d->progress, d->data, total, total) ? SPI_ABORTED : SPI_OK;
}

static int32_t decode_picture(Decode* d) {
    if (setjmp(png_jmpbuf(d->png.png)))
        return SPI_BROKEN_DATA;
    const int channels = set_transforms(d);
    if ((channels != 3 && channels != 4) ||
        png_get_rowbytes(d->png.png, d->png.info) != (size_t)d->png.width * (size_t)channels)
        return SPI_BROKEN_DATA;
    if (channels == 4) {
        const size_t rows = d->passes > 1 ? d->png.height : 1;
        d->alpha_rows = malloc((size_t)d->png.width * 4 * rows);
        if (!d->alpha_rows)
            return SPI_NO_MEMORY;
    }
    const int32_t created = spi_dib_create(&d->dib, d->png.width, d->png.height, 24);
    return created == SPI_OK ? read_rows(d) : created;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Decode d;
    (void)flag;
    memset(&d, 0, sizeof d);
    d.progress = lpPrgressCallback;
    d.data = lData;
    int32_t result = open_png(&d.png, buf, len);
    if (result != SPI_OK)
        return result;
    result = decode_picture(&d);
    close_png(&d.png);
    free(d.alpha_rows);
    if (result != SPI_OK) {
        spi_dib_discard(&d.dib);
        return result;
    }
    return spi_dib_finish(&d.dib, pHBInfo, pHBm);
}
