/* ifraw.spi: a Susie import plug-in for camera raw pictures through LibRaw. It answers the
 * camera's embedded preview when its long side is at least half the sensor's: that is
 * quick and shows the picture as the camera rendered it. Otherwise the raw itself,
 * demosaiced at half size with the camera's white balance into 8-bit sRGB, which takes
 * far longer. Either comes upright by the raw's orientation: LibRaw turns the demosaiced
 * picture itself but never the preview, which this plug-in turns. */
#include "rawinput.h"
#include "spicommon.h"

#include <stdio.h> /* before jpeglib.h, which uses FILE */

#include <jerror.h>
#include <jpeglib.h>
#include <libraw/libraw.h>
#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

static const char* const kInfo[] = {
    "00IN",  "ifraw: camera raw reader for Folivex (LibRaw " LIBRAW_VERSION_STR ")",
    "*.nef", "Nikon raw",
    "*.nrw", "Nikon raw",
    "*.cr2", "Canon raw",
    "*.cr3", "Canon raw",
    "*.crw", "Canon raw",
    "*.arw", "Sony raw",
    "*.srf", "Sony raw",
    "*.sr2", "Sony raw",
    "*.dng", "Digital negative",
    "*.orf", "Olympus raw",
    "*.rw2", "Panasonic raw",
    "*.raf", "Fujifilm raw",
    "*.pef", "Pentax raw",
    "*.srw", "Samsung raw",
    "*.x3f", "Sigma raw",
    "*.3fr", "Hasselblad raw",
    "*.iiq", "Phase One raw",
    "*.kdc", "Kodak raw",
    "*.mrw", "Minolta raw",
};
enum { kInfoCount = sizeof kInfo / sizeof kInfo[0] };

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_plugin_info(kInfo, kInfoCount, infono, buf, buflen);
}

/* ---- recognising a raw ---- */

static int lower_ascii(int c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

static int same_text_no_case(const char* a, const char* b) {
    for (; *a && lower_ascii((unsigned char)*a) == lower_ascii((unsigned char)*b); ++a, ++b)
        ;
    return *a == 0 && *b == 0;
}

/* The file name ends in one of the announced patterns' extensions. */
static int has_raw_extension(const char* filename) {
    const char* dot = filename ? strrchr(filename, '.') : NULL;
    if (!dot || strchr(dot, '/'))
        return 0;
    for (size_t i = 2; i < kInfoCount; i += 2)
        if (same_text_no_case(dot, kInfo[i] + 1))
            return 1;
    return 0;
}

static int has_mark(const uint8_t* p, size_t n, size_t at, const char* mark, size_t len) {
    return n >= at + len && memcmp(p + at, mark, len) == 0;
}

static int is_tiff(const uint8_t* p, size_t n) {
    return has_mark(p, n, 0, "II*\0", 4) || has_mark(p, n, 0, "MM\0*", 4);
}

static uint32_t tiff_get(const uint8_t* p, int bytes, int big_endian) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= (uint32_t)p[big_endian ? bytes - 1 - i : i] << (8 * i);
    return v;
}

/* A TIFF whose first directory, as far as the n bytes reach, has the DNGVersion tag. */
static int has_dng_version(const uint8_t* p, size_t n) {
    if (!is_tiff(p, n) || n < 8)
        return 0;
    const int big = p[0] == 'M';
    const uint32_t ifd = tiff_get(p + 4, 4, big);
    if (ifd < 8 || ifd > n - 2)
        return 0;
    const uint32_t count = tiff_get(p + ifd, 2, big);
    for (uint32_t i = 0; i < count && (size_t)ifd + 2 + 12 * (size_t)(i + 1) <= n; ++i)
        if (tiff_get(p + ifd + 2 + 12 * i, 2, big) == 50706)
            return 1;
    return 0;
}

/* Marks that only raws carry in their first bytes, whatever the file's name. */
static int is_marked_raw(const uint8_t* p, size_t n) {
    return has_mark(p, n, 6, "HEAPCCDR", 8) ||                               /* CRW */
           (has_mark(p, n, 4, "ftyp", 4) && has_mark(p, n, 8, "crx ", 4)) || /* CR3 */
           has_mark(p, n, 0, "FUJIFILMCCD-RAW", 15) ||                       /* RAF */
           has_mark(p, n, 0, "\0MRM", 4) ||                                  /* MRW */
           has_mark(p, n, 0, "FOVb", 4) ||                                   /* X3F */
           has_mark(p, n, 0, "IIRO", 4) || has_mark(p, n, 0, "IIRS", 4) ||   /* ORF */
           has_mark(p, n, 0, "MMOR", 4) || has_mark(p, n, 0, "IIU\0", 4) ||  /* RW2 */
           (is_tiff(p, n) && has_mark(p, n, 8, "CR\2", 3)) ||                /* CR2 */
           has_dng_version(p, n);
}

int32_t IsSupported(const char* filename, void* dw) {
    if (!dw)
        return 0;
    /* Most raws (NEF, ARW, PEF...) are TIFFs with nothing in their first bytes to tell
     * them from an ordinary TIFF: those are known by their name. */
    return is_marked_raw(dw, 2048) || (is_tiff(dw, 2048) && has_raw_extension(filename));
}

/* ---- the embedded JPEG preview ---- */

typedef struct {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
} JpegErrors;

static void on_jpeg_error(j_common_ptr cinfo) {
    longjmp(((JpegErrors*)cinfo->err)->jump, 1);
}

/* Data that ends early is an error, not a picture padded with grey. */
static void on_jpeg_message(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        on_jpeg_error(cinfo);
}

typedef struct {
    struct jpeg_decompress_struct cinfo;
    JpegErrors errors;
    uint8_t* pixels; /* red, green, blue, unused; rows from the top */
    uint32_t width, height;
} Jpeg;

/* The header's size, checked against the limit, and with pixels the whole picture.
 * 1 on success. The state lives in *j, outside this function's frame, so that it holds
 * its values when libjpeg jumps back. */
static int run_jpeg(Jpeg* j, const uint8_t* data, size_t n, int pixels) {
    memset(j, 0, sizeof *j);
    j->cinfo.err = jpeg_std_error(&j->errors.pub);
    j->errors.pub.error_exit = on_jpeg_error;
    j->errors.pub.emit_message = on_jpeg_message;
    if (setjmp(j->errors.jump)) {
        jpeg_destroy_decompress(&j->cinfo);
        free(j->pixels);
        j->pixels = NULL;
        return 0;
    }
    jpeg_create_decompress(&j->cinfo);
    jpeg_mem_src(&j->cinfo, data, (unsigned long)n);
    jpeg_read_header(&j->cinfo, TRUE);
    const J_COLOR_SPACE space = j->cinfo.jpeg_color_space;
    if ((space != JCS_GRAYSCALE && space != JCS_YCbCr && space != JCS_RGB) ||
        !spi_size_allowed(j->cinfo.image_width, j->cinfo.image_height))
        on_jpeg_error((j_common_ptr)&j->cinfo);
    j->width = j->cinfo.image_width;
    j->height = j->cinfo.image_height;
    if (pixels) {
        j->cinfo.out_color_space = JCS_EXT_RGBX;
        jpeg_start_decompress(&j->cinfo);
        if (j->cinfo.output_width != j->width || j->cinfo.output_height != j->height ||
            j->cinfo.output_components != 4 ||
            !(j->pixels = malloc((size_t)j->width * j->height * 4)))
            on_jpeg_error((j_common_ptr)&j->cinfo);
        while (j->cinfo.output_scanline < j->height) {
            JSAMPROW row = j->pixels + (size_t)j->cinfo.output_scanline * j->width * 4;
            if (jpeg_read_scanlines(&j->cinfo, &row, 1) != 1)
                on_jpeg_error((j_common_ptr)&j->cinfo);
        }
        jpeg_finish_decompress(&j->cinfo);
    }
    jpeg_destroy_decompress(&j->cinfo);
    return 1;
}

/* ---- LibRaw ---- */

typedef enum { RAW_JPEG_PREVIEW, RAW_BITMAP_PREVIEW, RAW_DEMOSAIC } RawPicture;

typedef struct {
    const char* buf;
    size_t size;
    libraw_data_t* lr;
    RawInput* input;
    RawPicture picture;
    uint32_t width, height; /* a preview's stored size */
    int orientation;        /* EXIF numbering; a preview is turned by it */
    int data_errors;        /* LibRaw met damaged or missing raw data */
    int aborted;
    SusieProgressCallback progress;
    intptr_t progress_data;
} Raw;

static void on_memory_error(void* data, const char* file, const char* where) {
    (void)data, (void)file, (void)where; /* LibRaw reports it through its result too */
}

static void on_data_error(void* data, const char* file, const int offset) {
    (void)file, (void)offset;
    ++((Raw*)data)->data_errors;
}

/* LibRaw's steps while it unpacks and demosaics; a nonzero answer stops it. */
static int on_progress(void* data, enum LibRaw_progress stage, int iteration, int expected) {
    Raw* raw = data;
    (void)stage, (void)iteration, (void)expected;
    if (spi_progress(raw->progress, raw->progress_data, 0, 1))
        raw->aborted = 1;
    return raw->aborted;
}

static int32_t result_of(int rc, const Raw* raw) {
    if (rc == LIBRAW_CANCELLED_BY_CALLBACK || raw->aborted)
        return SPI_ABORTED;
    if (rc == LIBRAW_FILE_UNSUPPORTED)
        return SPI_UNKNOWN_FORMAT;
    if (rc == LIBRAW_UNSUFFICIENT_MEMORY)
        return SPI_NO_MEMORY;
    return SPI_BROKEN_DATA;
}

/* LibRaw's cap on the unpacked raw: 16-bit samples of up to four colours for a sensor of
 * the allowed pixel count, so that a header's claim cannot make it allocate gigabytes. */
static unsigned raw_memory_mb(void) {
    const uint64_t mb = spi_max_pixels * 8 >> 20;
    return mb < 8 ? 8 : mb > 2048 ? 2048 : (unsigned)mb;
}

/* LibRaw's orientation: 0 to 7 (its bit 4 swaps the axes, bits 2 and 1 mirror), or a turn
 * in degrees, which it also takes. */
static int orientation_of_flip(int flip) {
    static const int kExif[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    if (flip >= 0 && flip < 8)
        return kExif[flip];
    switch (flip % 360) {
    case 90:
        return 6;
    case 180:
        return 3;
    case 270:
        return 8;
    default:
        return 1;
    }
}

static void close_raw(Raw* raw) {
    if (raw->lr)
        libraw_close(raw->lr);
    raw_input_free(raw->input);
    raw->lr = NULL;
    raw->input = NULL;
}

/* A fresh LibRaw on the input, set for the half-size demosaic. */
static int32_t open_libraw(Raw* raw) {
    close_raw(raw);
    raw->data_errors = 0;
    if (!(raw->lr = libraw_init(0)))
        return SPI_NO_MEMORY;
    libraw_set_memerror_handler(raw->lr, on_memory_error, raw);
    libraw_set_dataerror_handler(raw->lr, on_data_error, raw);
    libraw_set_progress_handler(raw->lr, on_progress, raw);
    libraw_output_params_t* params = &raw->lr->params;
    params->half_size = 1;
    params->use_camera_wb = 1;
    params->output_color = 1; /* sRGB */
    params->output_bps = 8;
    params->max_raw_memory_mb = raw_memory_mb();
    const int rc = raw_input_open(raw->lr, raw->buf, raw->size, &raw->input);
    if (rc != LIBRAW_SUCCESS)
        return result_of(rc, raw);
    const libraw_image_sizes_t* sizes = &raw->lr->sizes;
    if (sizes->width == 0 || sizes->height == 0)
        return SPI_BROKEN_DATA;
    raw->orientation = orientation_of_flip(sizes->flip);
    return SPI_OK;
}

static uint32_t long_side(uint32_t width, uint32_t height) {
    return width > height ? width : height;
}

/* Loads the largest embedded preview and takes its size; 0 when there is none usable. */
static int take_preview(Raw* raw) {
    const libraw_thumbnail_t* t = &raw->lr->thumbnail;
    /* A bitmap preview is read whole at its claimed size. */
    if ((uint64_t)t->twidth * t->theight > spi_max_pixels)
        return 0;
    raw_input_reset(raw->input);
    if (libraw_unpack_thumb(raw->lr) != LIBRAW_SUCCESS || !t->thumb ||
        !raw_input_read_all(raw->input))
        return 0; /* a preview cut short is no preview */
    if (t->tformat == LIBRAW_THUMBNAIL_JPEG) {
        Jpeg j;
        if (!run_jpeg(&j, (const uint8_t*)t->thumb, t->tlength, 0))
            return 0;
        raw->picture = RAW_JPEG_PREVIEW;
        raw->width = j.width;
        raw->height = j.height;
        return 1;
    }
    if (t->tformat != LIBRAW_THUMBNAIL_BITMAP || (t->tcolors != 1 && t->tcolors != 3) ||
        !spi_size_allowed(t->twidth, t->theight) ||
        t->tlength < (uint64_t)t->twidth * t->theight * (unsigned)t->tcolors)
        return 0;
    raw->picture = RAW_BITMAP_PREVIEW;
    raw->width = t->twidth;
    raw->height = t->theight;
    return 1;
}

/* Opens the raw and decides which picture it shows. */
static int32_t open_raw(Raw* raw, const char* buf, intptr_t len, SusieProgressCallback progress,
                        intptr_t data) {
    memset(raw, 0, sizeof *raw);
    raw->buf = buf;
    raw->size = spi_length(len);
    raw->progress = progress;
    raw->progress_data = data;
    /* Only what IsSupported could claim: LibRaw also takes headerless data of certain
     * file sizes for some old cameras' raws, which would turn any such file into noise. */
    if (!buf ||
        !(is_marked_raw((const uint8_t*)buf, raw->size) || is_tiff((const uint8_t*)buf, raw->size)))
        return SPI_UNKNOWN_FORMAT;
    int32_t result = open_libraw(raw);
    if (result != SPI_OK)
        return result;
    const libraw_image_sizes_t* sizes = &raw->lr->sizes;
    const uint32_t sensor = long_side(sizes->width, sizes->height);
    if (take_preview(raw) && 2 * (uint64_t)long_side(raw->width, raw->height) >= sensor)
        return SPI_OK;
    raw->picture = RAW_DEMOSAIC;
    /* A failed preview read resets LibRaw; the raw wants a fresh start then. */
    if (!(raw->lr->progress_flags & LIBRAW_PROGRESS_IDENTIFY) &&
        (result = open_libraw(raw)) != SPI_OK)
        return result;
    sizes = &raw->lr->sizes;
    return spi_size_allowed(sizes->raw_width, sizes->raw_height) ? SPI_OK : SPI_BROKEN_DATA;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Raw raw;
    uint32_t width, height;
    (void)flag;
    int32_t result = open_raw(&raw, buf, len, NULL, 0);
    if (result == SPI_OK && raw.picture == RAW_DEMOSAIC) {
        /* The demosaiced picture's size, turned as LibRaw turns it. */
        if (libraw_adjust_sizes_info_only(raw.lr) != LIBRAW_SUCCESS)
            result = SPI_BROKEN_DATA;
        width = raw.lr->sizes.iwidth;
        height = raw.lr->sizes.iheight;
    } else if (result == SPI_OK) {
        spi_upright_size(raw.orientation, raw.width, raw.height, &width, &height);
    }
    if (result == SPI_OK && !spi_size_allowed(width, height))
        result = SPI_BROKEN_DATA;
    if (result == SPI_OK)
        spi_picture_info(lpInfo, width, height, 24);
    close_raw(&raw);
    return result;
}

/* An 8-bit grey or RGB picture as the red, green, blue, alpha rows spicommon turns. */
static uint8_t* rgba_of(const uint8_t* src, uint32_t width, uint32_t height, int colors) {
    const size_t count = (size_t)width * height;
    uint8_t* out = malloc(count * 4);
    if (!out)
        return NULL;
    for (size_t i = 0; i < count; ++i, src += colors) {
        out[4 * i] = src[0];
        out[4 * i + 1] = src[colors == 3 ? 1 : 0];
        out[4 * i + 2] = src[colors == 3 ? 2 : 0];
        out[4 * i + 3] = 255;
    }
    return out;
}

static int32_t deliver_pixels(const uint8_t* rgba, uint32_t width, uint32_t height, int orientation,
                              HLOCAL* pHBInfo, HLOCAL* pHBm, const Raw* raw) {
    const SpiRgba picture = {rgba, width, height, (size_t)width * 4, SPI_ALPHA_NONE};
    return spi_deliver_rgba(&picture, orientation, pHBInfo, pHBm, raw->progress,
                            raw->progress_data);
}

static int32_t deliver_jpeg_preview(const Raw* raw, HLOCAL* pHBInfo, HLOCAL* pHBm) {
    const libraw_thumbnail_t* t = &raw->lr->thumbnail;
    Jpeg j;
    if (!run_jpeg(&j, (const uint8_t*)t->thumb, t->tlength, 1))
        return SPI_BROKEN_DATA;
    const int32_t result =
        deliver_pixels(j.pixels, j.width, j.height, raw->orientation, pHBInfo, pHBm, raw);
    free(j.pixels);
    return result;
}

static int32_t deliver_bitmap_preview(const Raw* raw, HLOCAL* pHBInfo, HLOCAL* pHBm) {
    const libraw_thumbnail_t* t = &raw->lr->thumbnail;
    uint8_t* rgba = rgba_of((const uint8_t*)t->thumb, raw->width, raw->height, t->tcolors);
    if (!rgba)
        return SPI_NO_MEMORY;
    const int32_t result =
        deliver_pixels(rgba, raw->width, raw->height, raw->orientation, pHBInfo, pHBm, raw);
    free(rgba);
    return result;
}

/* The raw unpacked and demosaiced at half size; LibRaw hands it over upright. */
static int32_t deliver_demosaic(Raw* raw, HLOCAL* pHBInfo, HLOCAL* pHBm) {
    raw_input_reset(raw->input);
    int rc = libraw_unpack(raw->lr);
    const libraw_image_sizes_t* sizes = &raw->lr->rawdata.sizes;
    const int whole =
        raw_input_seems_whole(raw->input, (uint64_t)sizes->raw_width * sizes->raw_height);
    if (rc != LIBRAW_SUCCESS)
        return result_of(rc, raw);
    if (raw->data_errors != 0 || !whole)
        return SPI_BROKEN_DATA;
    if ((rc = libraw_dcraw_process(raw->lr)) != LIBRAW_SUCCESS)
        return result_of(rc, raw);
    libraw_processed_image_t* image = libraw_dcraw_make_mem_image(raw->lr, &rc);
    if (!image)
        return rc == ENOMEM ? SPI_NO_MEMORY : SPI_BROKEN_DATA;
    int32_t result = SPI_BROKEN_DATA;
    const uint64_t pixels = (uint64_t)image->width * image->height;
    if (image->type == LIBRAW_IMAGE_BITMAP && image->bits == 8 &&
        (image->colors == 1 || image->colors == 3) &&
        spi_size_allowed(image->width, image->height) &&
        image->data_size >= pixels * image->colors) {
        uint8_t* rgba = rgba_of(image->data, image->width, image->height, image->colors);
        result = rgba ? deliver_pixels(rgba, image->width, image->height, 1, pHBInfo, pHBm, raw)
                      : SPI_NO_MEMORY;
        free(rgba);
    }
    libraw_dcraw_clear_mem(image);
    return result;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Raw raw;
    (void)flag;
    int32_t result = open_raw(&raw, buf, len, lpPrgressCallback, lData);
    if (result == SPI_OK && spi_progress(lpPrgressCallback, lData, 0, 1))
        result = SPI_ABORTED;
    if (result == SPI_OK) {
        switch (raw.picture) {
        case RAW_JPEG_PREVIEW:
            result = deliver_jpeg_preview(&raw, pHBInfo, pHBm);
            break;
        case RAW_BITMAP_PREVIEW:
            result = deliver_bitmap_preview(&raw, pHBInfo, pHBm);
            break;
        default:
            result = deliver_demosaic(&raw, pHBInfo, pHBm);
            break;
        }
    }
    close_raw(&raw);
    return result;
}
