/* ifheif.spi: a Susie import plug-in for HEIF pictures through libheif: HEIC (HEVC) and
 * AVIF (AV1), as far as the installed library has decoders for them. It answers the
 * primary image with the file's rotation, mirroring and cropping applied (libheif does
 * this by default), reduced to 8 bits and laid onto white where it has alpha. */
#include "spicommon.h"

#include <libheif/heif.h>
#include <string.h>

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
} Heif;

static void close_heif(Heif* h) {
    if (h->handle)
        heif_image_handle_release(h->handle);
    if (h->context)
        heif_context_free(h->context);
    memset(h, 0, sizeof *h);
}

static int max_side(void) {
    int side = 1;
    while ((uint64_t)(side + 1) * (uint64_t)(side + 1) <= spi_max_pixels && side < 32768)
        ++side;
    return side;
}

static int32_t open_heif(Heif* h, const char* buf, intptr_t len) {
    const size_t n = spi_length(len);
    memset(h, 0, sizeof *h);
    if (!buf || !is_heif((const unsigned char*)buf, n))
        return SPI_UNKNOWN_FORMAT;
    if (!(h->context = heif_context_alloc()))
        return SPI_NO_MEMORY;
    /* libheif's own cap is 32768 x 32768, and a grid may claim that much whatever its
     * tiles' sizes say, so that a few hundred bytes ask for gigabytes before any check of
     * ours: both sides are held to the side of a square of the allowed pixel count. */
    heif_context_set_maximum_image_size_limit(h->context, max_side());
    if (heif_context_read_from_memory_without_copy(h->context, buf, n, NULL).code !=
            heif_error_Ok ||
        heif_context_get_primary_image_handle(h->context, &h->handle).code != heif_error_Ok) {
        close_heif(h);
        return SPI_BROKEN_DATA;
    }
    const int width = heif_image_handle_get_width(h->handle);
    const int height = heif_image_handle_get_height(h->handle);
    if (width <= 0 || height <= 0 || !spi_size_allowed((uint64_t)width, (uint64_t)height)) {
        close_heif(h);
        return SPI_BROKEN_DATA;
    }
    h->width = (uint32_t)width;
    h->height = (uint32_t)height;
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

/* The primary image as 8-bit RGBA, transformations applied; NULL when it cannot be
 * decoded (no decoder for its codec, damaged data). */
static struct heif_image* decode(const Heif* h) {
    struct heif_decoding_options* options = heif_decoding_options_alloc();
    struct heif_image* image = NULL;
    if (!options)
        return NULL;
    options->convert_hdr_to_8bit = 1;
    options->strict_decoding = 1; /* a damaged file is an error, not a partial picture */
    if (heif_decode_image(h->handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                          options)
            .code != heif_error_Ok)
        image = NULL;
    heif_decoding_options_free(options);
    return image;
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
    struct heif_image* image = decode(&h);
    int stride = 0;
    const uint8_t* pixels =
        image ? heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride) : NULL;
    const int width = image ? heif_image_get_width(image, heif_channel_interleaved) : 0;
    const int height = image ? heif_image_get_height(image, heif_channel_interleaved) : 0;
    result = SPI_BROKEN_DATA;
    if (pixels && width > 0 && height > 0 && stride >= width * 4 &&
        spi_size_allowed((uint64_t)width, (uint64_t)height)) {
        const SpiAlpha alpha = heif_image_handle_is_premultiplied_alpha(h.handle)
                                   ? SPI_ALPHA_PREMULTIPLIED
                                   : SPI_ALPHA_STRAIGHT;
        const SpiRgba picture = {pixels, (uint32_t)width, (uint32_t)height, (size_t)stride, alpha};
        result = spi_deliver_rgba(&picture, 1, pHBInfo, pHBm, lpPrgressCallback, lData);
    }
    if (image)
        heif_image_release(image);
    close_heif(&h);
    return result;
}
