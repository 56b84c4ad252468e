/* ifheif.spi: a Susie import plug-in for HEIF pictures through libheif: HEIC (HEVC) and
 * AVIF (AV1), as far as the installed library has decoders for them. It answers the
 * primary image with the file's rotation, mirroring and cropping applied (libheif does
 * this by default), reduced to 8 bits and laid onto white where it has alpha. */
#include "spicommon.h"

#include <libheif/heif.h>
#include <pthread.h>
#include <string.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

static const char* const kInfo[] = {
    "00IN",   "ifheif: HEIF/AVIF reader for Folivex (libheif " LIBHEIF_VERSION ")",
    "*.heic", "HEIC",
    "*.heif", "HEIF",
    "*.avif", "AVIF",
};

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_plugin_info(kInfo, sizeof kInfo / sizeof kInfo[0], infono, buf, buflen);
}

/* An ISO media file whose first box is "ftyp" with a HEIF or AVIF brand, major or
 * compatible; only the box's own bytes (at most n) are looked at. */
static int is_heif(const unsigned char* p, size_t n) {
    static const char* const kBrands[] = {"heic", "heix", "hevc", "hevx", "heim",
                                          "heis", "mif1", "msf1", "avif", "avis"};
    if (n < 12 || memcmp(p + 4, "ftyp", 4) != 0)
        return 0;
    size_t box = (size_t)p[0] << 24 | (size_t)p[1] << 16 | (size_t)p[2] << 8 | p[3];
    if (box > n)
        box = n;
    for (size_t at = 8; at + 4 <= box; at += at == 8 ? 8 : 4) /* major, version, compatibles */
        for (size_t i = 0; i < sizeof kBrands / sizeof kBrands[0]; ++i)
            if (memcmp(p + at, kBrands[i], 4) == 0)
                return 1;
    return 0;
}

int32_t IsSupported(const char* filename, void* dw) {
    (void)filename;
    return dw && is_heif(dw, 2048);
}

typedef struct {
    struct heif_context* context;
    struct heif_image_handle* handle;
    uint32_t width, height; /* upright */
    uint32_t coded_side;    /* the longer side before rotation and cropping */
} Heif;

static void close_heif(Heif* h) {
    if (h->handle)
        heif_image_handle_release(h->handle);
    if (h->context)
        heif_context_free(h->context);
    memset(h, 0, sizeof *h);
}

/* libheif's own cap on either side of any image it reads, kept: an HEVC or AV1 picture
 * of this size is a grid of coded tiles anyway. */
enum { kLibheifSideLimit = 32768, kCodingBlock = 128 };

static void start_libheif(void) {
    heif_init(NULL); /* never undone: the plug-in stays loaded (-z nodelete) */
}

/* ---- the canvas a grid or overlay claims ----
 * libheif 1.15 makes a derived image's canvas at the size its item data claims, checked
 * only per side against its limit, whatever the declared (ispe) size says: a few hundred
 * bytes can ask for gigabytes. The data is found here, bounded by the input, so that the
 * canvas's area is checked before libheif allocates it. */

typedef struct {
    const uint8_t* p;
    size_t n;
} Span;

static uint64_t big_endian(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

/* Takes bytes from the front of a span; 0 when it holds fewer. */
static int take(Span* s, size_t bytes, uint64_t* value) {
    if (bytes > s->n || bytes > 8)
        return 0;
    *value = big_endian(s->p, (int)bytes);
    s->p += bytes;
    s->n -= bytes;
    return 1;
}

/* The contents of the first box of that type among the boxes of a span (after the
 * version and flags of a full box when full is set). */
static int find_box(Span s, const char* type, int full, Span* out) {
    while (s.n >= 8) {
        uint64_t size = big_endian(s.p, 4), header = 8;
        if (size == 1 && s.n >= 16)
            size = big_endian(s.p + 8, 8), header = 16;
        else if (size == 0)
            size = s.n;
        if (size < header + (full ? 4 : 0) || size > s.n)
            return 0;
        if (memcmp(s.p + 4, type, 4) == 0) {
            out->p = s.p + header + (full ? 4 : 0);
            out->n = (size_t)size - (size_t)header - (full ? 4 : 0);
            return 1;
        }
        s.p += size;
        s.n -= (size_t)size;
    }
    return 0;
}

/* The first bytes of an item's data: its first extent in the file or the item data box. */
static int item_data(Span file, Span meta, uint32_t id, Span* out) {
    Span iloc, idat = {NULL, 0};
    uint64_t sizes, more, count;
    if (!find_box(meta, "iloc", 0, &iloc) || iloc.n < 4)
        return 0;
    const int version = iloc.p[0];
    iloc.p += 4, iloc.n -= 4;
    if (!take(&iloc, 1, &sizes) || !take(&iloc, 1, &more) ||
        !take(&iloc, version < 2 ? 2 : 4, &count))
        return 0;
    const size_t offset_size = (size_t)(sizes >> 4), length_size = (size_t)(sizes & 15);
    const size_t base_size = (size_t)(more >> 4), index_size = version ? (size_t)(more & 15) : 0;
    for (; count > 0; --count) {
        uint64_t item, method = 0, reference, base, extents, index, offset, length;
        if (!take(&iloc, version < 2 ? 2 : 4, &item) || (version && !take(&iloc, 2, &method)) ||
            !take(&iloc, 2, &reference) || !take(&iloc, base_size, &base) ||
            !take(&iloc, 2, &extents) || extents == 0)
            return 0;
        for (uint64_t e = 0; e < extents; ++e) {
            if (!take(&iloc, index_size, &index) || !take(&iloc, offset_size, &offset) ||
                !take(&iloc, length_size, &length))
                return 0;
            if (item != id || e > 0)
                continue;
            const Span* from = (method & 15) == 1 && find_box(meta, "idat", 0, &idat) ? &idat
                               : (method & 15) == 0                                   ? &file
                                                                                      : NULL;
            if (!from || base > from->n || offset > from->n - base)
                return 0;
            out->p = from->p + base + offset;
            out->n = from->n - (size_t)(base + offset);
            return 1;
        }
    }
    return 0;
}

/* The canvas size in a grid's or an overlay's data. */
static int canvas_size(const char type[4], Span data, uint64_t* width, uint64_t* height) {
    uint64_t version, flags, skipped;
    if (!take(&data, 1, &version) || !take(&data, 1, &flags))
        return 0;
    const size_t field = flags & 1 ? 4 : 2;
    if (memcmp(type, "grid", 4) == 0 && !take(&data, 2, &skipped)) /* rows, columns */
        return 0;
    if (memcmp(type, "iovl", 4) == 0 && !take(&data, 8, &skipped)) /* fill colour */
        return 0;
    return take(&data, field, width) && take(&data, field, height);
}

/* One entry of the item information box: 0 when it is a grid or an overlay whose canvas
 * is not an allowed size or cannot be found; the longest side allowed grows to its
 * canvas's. */
static int derived_item_allowed(Heif* h, Span file, Span meta, Span entry) {
    const int version = entry.p[-4];
    uint64_t id, protection, width, height;
    Span data;
    if (version < 2) /* not an image item */
        return 1;
    if (!take(&entry, version == 2 ? 2 : 4, &id) || !take(&entry, 2, &protection) || entry.n < 4)
        return 0;
    const char* type = (const char*)entry.p;
    if (memcmp(type, "grid", 4) != 0 && memcmp(type, "iovl", 4) != 0)
        return 1;
    if (!item_data(file, meta, (uint32_t)id, &data) || !canvas_size(type, data, &width, &height) ||
        !spi_size_allowed(width, height))
        return 0;
    if (width > h->coded_side)
        h->coded_side = (uint32_t)width;
    if (height > h->coded_side)
        h->coded_side = (uint32_t)height;
    return 1;
}

/* Every grid and overlay of the file (the primary image, its alpha, whatever libheif may
 * decode) checked before libheif makes its canvas. */
static int derived_canvases_allowed(Heif* h, const char* buf, size_t n) {
    const Span file = {(const uint8_t*)buf, n};
    Span meta, iinf, entry;
    uint64_t count;
    if (!find_box(file, "meta", 1, &meta) || !find_box(meta, "iinf", 1, &iinf) ||
        !take(&iinf, iinf.p[-4] == 0 ? 2 : 4, &count))
        return 0;
    for (; count > 0 && find_box(iinf, "infe", 1, &entry); --count) {
        const uint8_t* end = entry.p + entry.n;
        if (!derived_item_allowed(h, file, meta, entry))
            return 0;
        iinf.n -= (size_t)(end - iinf.p);
        iinf.p = end;
    }
    return 1;
}

/* The primary image's shown size and its longer coded side; 0 when either size is not
 * allowed. */
static int take_sizes(Heif* h) {
    const int width = heif_image_handle_get_width(h->handle);
    const int height = heif_image_handle_get_height(h->handle);
    const int coded_width = heif_image_handle_get_ispe_width(h->handle);
    const int coded_height = heif_image_handle_get_ispe_height(h->handle);
    if (width <= 0 || height <= 0 || !spi_size_allowed((uint64_t)width, (uint64_t)height))
        return 0;
    if (coded_width > 0 && coded_height > 0 &&
        !spi_size_allowed((uint64_t)coded_width, (uint64_t)coded_height))
        return 0;
    h->width = (uint32_t)width;
    h->height = (uint32_t)height;
    const int longer = width > height ? width : height;
    const int coded_longer = coded_width > coded_height ? coded_width : coded_height;
    h->coded_side = (uint32_t)(coded_longer > longer ? coded_longer : longer);
    return 1;
}

static int32_t open_heif(Heif* h, const char* buf, intptr_t len) {
    static pthread_once_t started = PTHREAD_ONCE_INIT;
    const size_t n = spi_length(len);
    memset(h, 0, sizeof *h);
    if (!buf || !is_heif((const unsigned char*)buf, n))
        return SPI_UNKNOWN_FORMAT;
    pthread_once(&started, start_libheif);
    if (!(h->context = heif_context_alloc()))
        return SPI_NO_MEMORY;
    heif_context_set_maximum_image_size_limit(h->context, kLibheifSideLimit);
    if (heif_context_read_from_memory_without_copy(h->context, buf, n, NULL).code !=
            heif_error_Ok ||
        heif_context_get_primary_image_handle(h->context, &h->handle).code != heif_error_Ok) {
        close_heif(h);
        return SPI_BROKEN_DATA;
    }
    if (!take_sizes(h) || !derived_canvases_allowed(h, buf, n)) {
        close_heif(h);
        return SPI_BROKEN_DATA;
    }
    return SPI_OK;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Heif h;
    (void)flag;
    const int32_t result = open_heif(&h, buf, len);
    if (result != SPI_OK)
        return result;
    spi_picture_info(lpInfo, h.width, h.height, 24);
    close_heif(&h);
    return SPI_OK;
}

/* The primary image, transformations applied, in the colourspace and chroma asked for
 * (undefined for libheif's own planes); NULL when it cannot be decoded (no decoder for
 * its codec, damaged data). */
static struct heif_image* decode(const Heif* h, enum heif_colorspace colorspace,
                                 enum heif_chroma chroma) {
    struct heif_decoding_options* options = heif_decoding_options_alloc();
    struct heif_image* image = NULL;
    if (!options)
        return NULL;
    /* Every size the picture claims (declared, and a grid's or overlay's canvas) has been
     * checked against the limit; libheif, whose limit is per side, is held to the longest
     * of them, and to the coded tiles of a grid, which overhang its canvas by up to one
     * coding block (HEVC's are 64 pixels a side, AV1's 128): heif-enc writes a picture of
     * 33 x 21 as a grid of one 64 x 64 tile. */
    heif_context_set_maximum_image_size_limit(h->context, (int)h->coded_side + 1 + kCodingBlock);
    options->convert_hdr_to_8bit = 1;
    options->strict_decoding = 1; /* a damaged file is an error, not a partial picture */
    if (heif_decode_image(h->handle, &image, colorspace, chroma, options).code != heif_error_Ok)
        image = NULL;
    heif_decoding_options_free(options);
    return image;
}

/* Where an opaque picture's red, green and blue samples are: one interleaved plane, or a
 * plane each (a grey picture's one plane three times). Rows of every channel have
 * stride bytes and its samples step bytes apart. */
typedef struct {
    const uint8_t* channel[3]; /* red, green, blue */
    size_t stride[3];
    size_t step;
    uint32_t width, height;
} Channels;

/* An opaque picture's rows into the bitmap, one row a progress step. */
static int32_t put_rows(SpiDib* dib, const Channels* c, SusieProgressCallback progress,
                        intptr_t data) {
    for (uint32_t y = 0; y < dib->height; ++y) {
        if (spi_progress(progress, data, y, dib->height))
            return SPI_ABORTED;
        const uint8_t* red = c->channel[0] + (size_t)y * c->stride[0];
        const uint8_t* green = c->channel[1] + (size_t)y * c->stride[1];
        const uint8_t* blue = c->channel[2] + (size_t)y * c->stride[2];
        unsigned char* out = spi_dib_row(dib, y);
        for (size_t x = 0, at = 0; x < dib->width; ++x, at += c->step, out += 3)
            out[0] = blue[at], out[1] = green[at], out[2] = red[at];
    }
    return spi_progress(progress, data, dib->height, dib->height) ? SPI_ABORTED : SPI_OK;
}

static int32_t deliver_opaque(const Channels* c, HLOCAL* pHBInfo, HLOCAL* pHBm,
                              SusieProgressCallback progress, intptr_t data) {
    SpiDib dib;
    int32_t result = spi_dib_create(&dib, c->width, c->height, 24);
    if (result == SPI_OK)
        result = put_rows(&dib, c, progress, data);
    if (result != SPI_OK) {
        spi_dib_discard(&dib);
        return result;
    }
    return spi_dib_finish(&dib, pHBInfo, pHBm);
}

/* The decoded interleaved plane into a bitmap. */
static int32_t deliver(const Heif* h, struct heif_image* image, int has_alpha, HLOCAL* pHBInfo,
                       HLOCAL* pHBm, SusieProgressCallback progress, intptr_t data) {
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    if (!pixels || width <= 0 || height <= 0 || stride < width * (has_alpha ? 4 : 3) ||
        !spi_size_allowed((uint64_t)width, (uint64_t)height))
        return SPI_BROKEN_DATA;
    if (has_alpha) {
        const SpiAlpha alpha = heif_image_handle_is_premultiplied_alpha(h->handle)
                                   ? SPI_ALPHA_PREMULTIPLIED
                                   : SPI_ALPHA_STRAIGHT;
        const SpiRgba picture = {pixels, (uint32_t)width, (uint32_t)height, (size_t)stride, alpha};
        return spi_deliver_rgba(&picture, 1, pHBInfo, pHBm, progress, data);
    }
    const Channels c = {{pixels, pixels + 1, pixels + 2},
                        {(size_t)stride, (size_t)stride, (size_t)stride},
                        3,
                        (uint32_t)width,
                        (uint32_t)height};
    return deliver_opaque(&c, pHBInfo, pHBm, progress, data);
}

/* ---- libheif's own planes ----
 * libheif 1.15 turns a colour picture's coded YCbCr into planar RGB at full resolution
 * whatever colourspace is asked for, and makes the interleaved RGB asked for before as a
 * further copy of those planes, the size of the bitmap. An opaque 8-bit picture is taken
 * as those planes (a grey one as its one plane) and written into the bitmap directly:
 * the same pixels, one picture-sized buffer less at the decode's peak. */

/* An 8-bit plane of exactly width x height, its rows inside its stride. */
static int take_plane(const struct heif_image* image, enum heif_channel channel, uint32_t width,
                      uint32_t height, const uint8_t** pixels, size_t* stride) {
    int bytes = 0;
    *pixels = heif_image_get_plane_readonly(image, channel, &bytes);
    if (!*pixels || heif_image_get_bits_per_pixel(image, channel) != 8 ||
        heif_image_get_bits_per_pixel_range(image, channel) != 8 ||
        heif_image_get_width(image, channel) != (int)width ||
        heif_image_get_height(image, channel) != (int)height || bytes <= 0 ||
        (uint32_t)bytes < width)
        return 0;
    *stride = (size_t)bytes;
    return 1;
}

/* The channels of a decoded picture when it is 8-bit planar RGB or grey without alpha;
 * 0 for any other layout (libheif's interleaved RGB is then asked for instead). */
static int planar_channels(const struct heif_image* image, Channels* c) {
    const enum heif_colorspace colorspace = heif_image_get_colorspace(image);
    const enum heif_chroma chroma = heif_image_get_chroma_format(image);
    const int grey = colorspace == heif_colorspace_monochrome && chroma == heif_chroma_monochrome;
    if (!(grey || (colorspace == heif_colorspace_RGB && chroma == heif_chroma_444)) ||
        heif_image_has_channel(image, heif_channel_Alpha))
        return 0;
    const int width = heif_image_get_primary_width(image);
    const int height = heif_image_get_primary_height(image);
    if (width <= 0 || height <= 0 || !spi_size_allowed((uint64_t)width, (uint64_t)height))
        return 0;
    c->width = (uint32_t)width;
    c->height = (uint32_t)height;
    c->step = 1;
    if (grey) {
        if (!take_plane(image, heif_channel_Y, c->width, c->height, &c->channel[0], &c->stride[0]))
            return 0;
        c->channel[1] = c->channel[2] = c->channel[0];
        c->stride[1] = c->stride[2] = c->stride[0];
        return 1;
    }
    const enum heif_channel rgb[3] = {heif_channel_R, heif_channel_G, heif_channel_B};
    for (int i = 0; i < 3; ++i)
        if (!take_plane(image, rgb[i], c->width, c->height, &c->channel[i], &c->stride[i]))
            return 0;
    return 1;
}

/* An opaque picture coded at 8 bits, whose planes libheif would only copy into the RGB
 * asked for; a deeper one would come back at its own depth and be decoded twice. */
static int planes_wanted(const Heif* h) {
    return heif_image_handle_get_luma_bits_per_pixel(h->handle) == 8 &&
           heif_image_handle_get_chroma_bits_per_pixel(h->handle) == 8;
}

/* What a decoder frees stays resident in glibc's heap (libde265 leaves some 20 MB of a
 * six-megapixel picture's there), and the bitmap made next is mapped afresh beside it
 * rather than reusing it: handed back first, the peak is the decoder's own. A trim walks
 * the whole heap, so pictures too small for it to matter are spared it. */
enum { kTrimFromPixels = 1 << 20 };

static void release_freed_memory(const Heif* h) {
#ifdef __GLIBC__
    if ((uint64_t)h->width * h->height >= kTrimFromPixels)
        malloc_trim(0);
#else
    (void)h;
#endif
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Heif h;
    (void)flag;
    int32_t result = open_heif(&h, buf, len);
    if (result != SPI_OK)
        return result;
    if (spi_progress(lpPrgressCallback, lData, 0, h.height)) {
        close_heif(&h);
        return SPI_ABORTED;
    }
    const int has_alpha = heif_image_handle_has_alpha_channel(h.handle);
    int planar = !has_alpha && planes_wanted(&h);
    struct heif_image* image =
        planar ? decode(&h, heif_colorspace_undefined, heif_chroma_undefined)
               : decode(&h, heif_colorspace_RGB,
                        has_alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    Channels c;
    if (image && planar && !planar_channels(image, &c)) {
        /* a layout not taken here: libheif's interleaved RGB after all (a failed decode is
         * not tried again, as it differs from this one only in its last copy) */
        heif_image_release(image);
        planar = 0;
        image = decode(&h, heif_colorspace_RGB, heif_chroma_interleaved_RGB);
    }
    if (image)
        release_freed_memory(&h);
    result = !image   ? SPI_BROKEN_DATA
             : planar ? deliver_opaque(&c, pHBInfo, pHBm, lpPrgressCallback, lData)
                      : deliver(&h, image, has_alpha, pHBInfo, pHBm, lpPrgressCallback, lData);
    if (image)
        heif_image_release(image);
    close_heif(&h);
    return result;
}
