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

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Webp w;
    (void)flag;
    int32_t result = open_webp(&w, buf, len);
    if (result != SPI_OK)
        return result;
    const size_t stride = (size_t)w.width * 4;
    uint8_t* canvas = NULL;
    if (spi_progress(lpPrgressCallback, lData, 0, w.height))
        result = SPI_ABORTED;
    else if (stride > INT32_MAX || !(canvas = malloc(stride * w.height)))
        result = SPI_NO_MEMORY;
    else
        result = decode_frame(&w, canvas, stride);
    if (result == SPI_OK) {
        const SpiRgba picture = {canvas, w.width, w.height, stride, SPI_ALPHA_STRAIGHT};
        result = spi_deliver_rgba(&picture, w.orientation, pHBInfo, pHBm, lpPrgressCallback, lData);
    }
    free(canvas);
    close_webp(&w);
    return result;
}
