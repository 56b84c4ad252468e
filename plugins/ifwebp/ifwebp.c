/* ifwebp.spi: a Susie import plug-in for WebP pictures through libwebp: lossy, lossless,
 * with alpha (laid onto white), and the first frame of an animation on its canvas. A
 * picture with an EXIF chunk is turned upright by the orientation written there. */
#include "spicommon.h"

#include <stdlib.h>
#include <string.h>
#include <webp/decode.h>
#include <webp/demux.h>

static const char* const kInfo[] = {
    "00IN",
    "ifwebp: WebP reader for Folivex (libwebp)",
    "*.webp",
    "WebP",
};

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_plugin_info(kInfo, sizeof kInfo / sizeof kInfo[0], infono, buf, buflen);
}

static int is_webp(const unsigned char* p) {
    return memcmp(p, "RIFF", 4) == 0 && memcmp(p + 8, "WEBP", 4) == 0;
}

int32_t IsSupported(const char* filename, void* dw) {
    (void)filename;
    return dw && is_webp(dw);
}

typedef struct {
    WebPDemuxer* demux;
    WebPIterator frame;
    uint32_t width, height; /* the canvas, as stored */
    int orientation;
} Webp;

static int read_orientation(WebPDemuxer* demux) {
    WebPChunkIterator chunk;
    int orientation = 1;
    if (!(WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG))
        return 1;
    if (WebPDemuxGetChunk(demux, "EXIF", 1, &chunk))
        orientation = spi_exif_orientation(chunk.chunk.bytes, chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return orientation;
}

static void close_webp(Webp* w) {
    WebPDemuxReleaseIterator(&w->frame);
    WebPDemuxDelete(w->demux);
}

/* Demuxes the whole file (a truncated one is refused) down to its first frame. */
static int32_t open_webp(Webp* w, const char* buf, intptr_t len) {
    const WebPData data = {(const uint8_t*)buf, spi_length(len)};
    memset(w, 0, sizeof *w);
    if (!buf || data.size < 12 || !is_webp(data.bytes))
        return SPI_UNKNOWN_FORMAT;
    w->demux = WebPDemux(&data);
    if (!w->demux)
        return SPI_BROKEN_DATA;
    w->width = WebPDemuxGetI(w->demux, WEBP_FF_CANVAS_WIDTH);
    w->height = WebPDemuxGetI(w->demux, WEBP_FF_CANVAS_HEIGHT);
    if (!spi_size_allowed(w->width, w->height) || !WebPDemuxGetFrame(w->demux, 1, &w->frame) ||
        !w->frame.complete) {
        close_webp(w);
        return SPI_BROKEN_DATA;
    }
    w->orientation = read_orientation(w->demux);
    return SPI_OK;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Webp w;
    uint32_t width, height;
    (void)flag;
    const int32_t result = open_webp(&w, buf, len);
    if (result != SPI_OK)
        return result;
    spi_upright_size(w.orientation, w.width, w.height, &width, &height);
    spi_picture_info(lpInfo, width, height, 24);
    close_webp(&w);
    return SPI_OK;
}

/* The first frame at its place on a canvas of opaque white. */
static int32_t decode_frame(const Webp* w, uint8_t* canvas, size_t stride) {
    const WebPIterator* f = &w->frame;
    if (f->x_offset < 0 || f->y_offset < 0 || f->width <= 0 || f->height <= 0 ||
        (uint64_t)f->x_offset + (uint64_t)f->width > w->width ||
        (uint64_t)f->y_offset + (uint64_t)f->height > w->height)
        return SPI_BROKEN_DATA;
    memset(canvas, 0xFF, stride * w->height);
    uint8_t* at = canvas + (size_t)f->y_offset * stride + (size_t)f->x_offset * 4;
    const size_t size = stride * (size_t)(f->height - 1) + (size_t)f->width * 4;
    return WebPDecodeRGBAInto(f->fragment.bytes, f->fragment.size, at, size, (int)stride)
               ? SPI_OK
               : SPI_BROKEN_DATA;
}

/* The rest of the frame's data to libwebp in steps, so that the host hears of the rows
 * decoded and can stop it; SPI_OK once the picture is whole. */
static int32_t decode_in_steps(const Webp* w, WebPDecBuffer* out, SusieProgressCallback progress,
                               intptr_t data) {
    enum { kSteps = 8, kLeastStep = 64 * 1024 };
    const WebPData* in = &w->frame.fragment;
    const size_t step = in->size / kSteps > kLeastStep ? in->size / kSteps : kLeastStep;
    WebPDecoderConfig config;
    WebPIDecoder* decoder = NULL;
    if (WebPInitDecoderConfig(&config)) {
        config.output = *out;
        config.options.use_threads = 1; /* libwebp filters on a second thread */
        decoder = WebPIDecode(NULL, 0, &config);
    }
    int32_t result = decoder ? SPI_BROKEN_DATA : SPI_NO_MEMORY;
    for (size_t fed = 0; decoder && fed < in->size;) {
        fed = step < in->size - fed ? fed + step : in->size;
        const VP8StatusCode status = WebPIUpdate(decoder, in->bytes, fed);
        int rows = 0;
        if (status == VP8_STATUS_OK) {
            result = SPI_OK;
            break;
        }
        if (status != VP8_STATUS_SUSPENDED)
            break;
        if (!WebPIDecGetRGB(decoder, &rows, NULL, NULL, NULL))
            rows = 0;
        if (spi_progress(progress, data, (uint32_t)(rows > 0 ? rows : 0), w->height)) {
            result = SPI_ABORTED;
            break;
        }
    }
    WebPIDelete(decoder);
    return result;
}

/* Blue, green, red, alpha pixels laid onto white as blue, green, red, in place: the rows
 * were written bottom-up at four bytes a pixel, so each row's narrower result starts no
 * later than its source. */
static void narrow_onto_white(SpiDib* dib) {
    for (uint32_t row = 0; row < dib->height; ++row) {
        const uint8_t* in = dib->pixels + (size_t)row * dib->width * 4;
        unsigned char* out = dib->pixels + (size_t)row * dib->stride;
        for (uint32_t x = 0; x < dib->width; ++x, in += 4, out += 3) {
            const uint8_t b = in[0], g = in[1], r = in[2], a = in[3];
            out[0] = spi_on_white(b, a, SPI_ALPHA_STRAIGHT);
            out[1] = spi_on_white(g, a, SPI_ALPHA_STRAIGHT);
            out[2] = spi_on_white(r, a, SPI_ALPHA_STRAIGHT);
        }
    }
}

/* An upright frame that fills the canvas, decoded by libwebp straight into the bitmap:
 * blue, green, red rows bottom-up (a negative stride), or with alpha at four bytes a pixel
 * in a block with room for them, laid onto white in place afterwards. */
static int32_t decode_direct(const Webp* w, int has_alpha, HLOCAL* pHBInfo, HLOCAL* pHBm,
                             SusieProgressCallback progress, intptr_t data) {
    SpiDib dib;
    WebPDecBuffer out;
    const size_t wide = (size_t)w->width * 4;
    int32_t result =
        spi_dib_create_with_room(&dib, w->width, w->height, 24, has_alpha ? wide * w->height : 0);
    if (result != SPI_OK)
        return result;
    const size_t stride = has_alpha ? wide : dib.stride;
    if (!WebPInitDecBuffer(&out) || stride > INT32_MAX) {
        spi_dib_discard(&dib);
        return SPI_NO_MEMORY;
    }
    out.colorspace = has_alpha ? MODE_BGRA : MODE_BGR;
    out.is_external_memory = 1;
    out.u.RGBA.rgba = dib.pixels + (size_t)(w->height - 1) * stride;
    out.u.RGBA.stride = -(int)stride;
    out.u.RGBA.size = stride * w->height;
    result = decode_in_steps(w, &out, progress, data);
    if (result == SPI_OK && has_alpha)
        narrow_onto_white(&dib);
    if (result == SPI_OK && spi_progress(progress, data, w->height, w->height))
        result = SPI_ABORTED;
    if (result != SPI_OK) {
        spi_dib_discard(&dib);
        return result;
    }
    return spi_dib_finish(&dib, pHBInfo, pHBm);
}

/* A turned picture, or a frame that leaves part of the canvas white: through a canvas. */
static int32_t decode_on_canvas(const Webp* w, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                SusieProgressCallback progress, intptr_t data) {
    const size_t stride = (size_t)w->width * 4;
    uint8_t* canvas = NULL;
    int32_t result;
    if (stride > INT32_MAX || !(canvas = malloc(stride * w->height)))
        result = SPI_NO_MEMORY;
    else
        result = decode_frame(w, canvas, stride);
    if (result == SPI_OK) {
        const SpiRgba picture = {canvas, w->width, w->height, stride, SPI_ALPHA_STRAIGHT};
        result = spi_deliver_rgba(&picture, w->orientation, pHBInfo, pHBm, progress, data);
    }
    free(canvas);
    return result;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Webp w;
    WebPBitstreamFeatures features;
    (void)flag;
    int32_t result = open_webp(&w, buf, len);
    if (result != SPI_OK)
        return result;
    const WebPIterator* f = &w.frame;
    if (spi_progress(lpPrgressCallback, lData, 0, w.height))
        result = SPI_ABORTED;
    else if (WebPGetFeatures(f->fragment.bytes, f->fragment.size, &features) != VP8_STATUS_OK)
        result = SPI_BROKEN_DATA;
    else if (w.orientation == 1 && f->x_offset == 0 && f->y_offset == 0 &&
             (uint32_t)features.width == w.width && (uint32_t)features.height == w.height)
        result = decode_direct(&w, features.has_alpha, pHBInfo, pHBm, lpPrgressCallback, lData);
    else
        result = decode_on_canvas(&w, pHBInfo, pHBm, lpPrgressCallback, lData);
    close_webp(&w);
    return result;
}
