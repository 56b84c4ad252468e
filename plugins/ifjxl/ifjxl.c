/* ifjxl.spi: a Susie import plug-in for JPEG XL pictures through libjxl, bare codestreams
 * and containers alike. It answers the first frame, upright by the codestream's own
 * orientation (libjxl turns it by default), 8 bits per channel, laid onto white where it
 * has alpha; a CMYK picture (a black extra channel) is composed to RGB. libjxl decodes on
 * one thread per core and hands its rows straight into the bitmap. */
#include "spicommon.h"

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>
#include <stdlib.h>
#include <string.h>

static const char* const kInfo[] = {
    "00IN",
    "ifjxl: JPEG XL reader for Folivex (libjxl)",
    "*.jxl",
    "JPEG XL",
};

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_plugin_info(kInfo, sizeof kInfo / sizeof kInfo[0], infono, buf, buflen);
}

static int is_jxl(const uint8_t* p, size_t n) {
    const JxlSignature signature = JxlSignatureCheck(p, n);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

int32_t IsSupported(const char* filename, void* dw) {
    (void)filename;
    return dw && is_jxl(dw, 2048);
}

enum { kNoChannel = -1 };

typedef struct {
    uint32_t width, height; /* upright */
    SpiAlpha alpha;
    int has_alpha;
    int black, alpha_channel; /* extra channel indexes, or kNoChannel */
    SpiDib dib;
    uint8_t *black_plane, *alpha_plane; /* CMYK only: upright planes, rows from the top */
} Jxl;

/* The extra channel of that type, or kNoChannel. */
static int find_extra_channel(JxlDecoder* decoder, uint32_t count, JxlExtraChannelType type) {
    for (uint32_t i = 0; i < count; ++i) {
        JxlExtraChannelInfo channel;
        if (JxlDecoderGetExtraChannelInfo(decoder, i, &channel) == JXL_DEC_SUCCESS &&
            channel.type == type)
            return (int)i;
    }
    return kNoChannel;
}

/* The upright size and channels from the basic information; 0 when it is too large. */
static int take_basic_info(JxlDecoder* decoder, Jxl* out) {
    JxlBasicInfo info;
    if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
        return 0;
    const int turned = info.orientation >= JXL_ORIENT_TRANSPOSE; /* 5 to 8 swap the sides */
    out->width = turned ? info.ysize : info.xsize;
    out->height = turned ? info.xsize : info.ysize;
    out->has_alpha = info.alpha_bits > 0;
    out->alpha = info.alpha_premultiplied ? SPI_ALPHA_PREMULTIPLIED : SPI_ALPHA_STRAIGHT;
    out->black = find_extra_channel(decoder, info.num_extra_channels, JXL_CHANNEL_BLACK);
    out->alpha_channel = kNoChannel;
    if (out->black != kNoChannel && out->has_alpha) {
        out->alpha_channel =
            find_extra_channel(decoder, info.num_extra_channels, JXL_CHANNEL_ALPHA);
        if (out->alpha_channel == kNoChannel)
            return 0;
    }
    return spi_size_allowed(out->width, out->height);
}

static int is_cmyk(const Jxl* jxl) {
    return jxl->black != kNoChannel;
}

/* A run of decoded RGB or CMY pixels into the bitmap as blue, green, red. */
static void put_opaque(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
    Jxl* jxl = opaque;
    if (y >= jxl->height || x > jxl->width || count > jxl->width - x)
        return;
    const uint8_t* in = pixels;
    unsigned char* out = spi_dib_row(&jxl->dib, (uint32_t)y) + 3 * x;
    for (; count > 0; --count, in += 3, out += 3)
        out[0] = in[2], out[1] = in[1], out[2] = in[0];
}

/* A run of decoded RGBA pixels into the bitmap, laid onto white. */
static void put_alpha(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
    Jxl* jxl = opaque;
    if (y >= jxl->height || x > jxl->width || count > jxl->width - x)
        return;
    const uint8_t* in = pixels;
    unsigned char* out = spi_dib_row(&jxl->dib, (uint32_t)y) + 3 * x;
    for (; count > 0; --count, in += 4, out += 3) {
        out[0] = spi_on_white(in[2], in[3], jxl->alpha);
        out[1] = spi_on_white(in[1], in[3], jxl->alpha);
        out[2] = spi_on_white(in[0], in[3], jxl->alpha);
    }
}

/* A plane of one extra channel, upright, for composing a CMYK picture afterwards. */
static int set_extra_plane(JxlDecoder* decoder, int index, uint8_t** plane) {
    static const JxlPixelFormat kFormat = {1, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    size_t size = 0;
    if (JxlDecoderExtraChannelBufferSize(decoder, &kFormat, &size, (uint32_t)index) !=
            JXL_DEC_SUCCESS ||
        !(*plane = malloc(size)))
        return 0;
    return JxlDecoderSetExtraChannelBuffer(decoder, &kFormat, *plane, size, (uint32_t)index) ==
           JXL_DEC_SUCCESS;
}

static int set_output(JxlDecoder* decoder, Jxl* jxl) {
    static const JxlPixelFormat kRgb = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    static const JxlPixelFormat kRgba = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (is_cmyk(jxl)) {
        if (!set_extra_plane(decoder, jxl->black, &jxl->black_plane) ||
            (jxl->alpha_channel != kNoChannel &&
             !set_extra_plane(decoder, jxl->alpha_channel, &jxl->alpha_plane)))
            return 0;
        return JxlDecoderSetImageOutCallback(decoder, &kRgb, put_opaque, jxl) == JXL_DEC_SUCCESS;
    }
    return JxlDecoderSetImageOutCallback(decoder, jxl->has_alpha ? &kRgba : &kRgb,
                                         jxl->has_alpha ? put_alpha : put_opaque,
                                         jxl) == JXL_DEC_SUCCESS;
}

/* JPEG XL stores ink inverted (0 is full ink): each of C, M and Y times K gives red, green
 * and blue; then alpha, when there is any, onto white. */
static void compose_cmyk(Jxl* jxl) {
    for (uint32_t y = 0; y < jxl->height; ++y) {
        const size_t at = (size_t)y * jxl->width;
        const uint8_t* k = jxl->black_plane + at;
        const uint8_t* a = jxl->alpha_plane ? jxl->alpha_plane + at : NULL;
        unsigned char* out = spi_dib_row(&jxl->dib, y);
        for (uint32_t x = 0; x < jxl->width; ++x, out += 3)
            for (int c = 0; c < 3; ++c) {
                const uint8_t v = (uint8_t)((out[c] * (unsigned)k[x] + 127u) / 255u);
                out[c] = a ? spi_on_white(v, a[x], jxl->alpha) : v;
            }
    }
}

/* libjxl is fed the input in steps, so that the host hears of progress and can stop it. */
typedef struct {
    const uint8_t* data;
    size_t size, fed;
    SusieProgressCallback progress;
    intptr_t user;
} Feed;

enum { kFeedSteps = 8, kLeastStep = 64 * 1024 };

/* Gives libjxl the next step of input past what it has consumed; 0 when all was fed. */
static int feed_more(JxlDecoder* decoder, Feed* feed) {
    if (feed->fed >= feed->size)
        return 0;
    const size_t consumed = feed->fed - JxlDecoderReleaseInput(decoder);
    size_t step = feed->size / kFeedSteps;
    if (step < kLeastStep)
        step = kLeastStep;
    feed->fed = step < feed->size - feed->fed ? feed->fed + step : feed->size;
    if (JxlDecoderSetInput(decoder, feed->data + consumed, feed->fed - consumed) != JXL_DEC_SUCCESS)
        return 0;
    if (feed->fed == feed->size)
        JxlDecoderCloseInput(decoder);
    return 1;
}

static int32_t report(const Feed* feed, size_t done) {
    return spi_progress(feed->progress, feed->user, (uint32_t)(done / 1024 + (done > 0)),
                        (uint32_t)(feed->size / 1024 + 1))
               ? SPI_ABORTED
               : SPI_OK;
}

/* Decodes the first frame into a bitmap, reporting each step of input. */
static int32_t decode_picture(JxlDecoder* decoder, Feed* feed, Jxl* jxl) {
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS ||
        !feed_more(decoder, feed))
        return SPI_BROKEN_DATA;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        int32_t result = SPI_OK;
        if (status == JXL_DEC_BASIC_INFO) {
            if (!take_basic_info(decoder, jxl))
                return SPI_BROKEN_DATA;
            result = spi_dib_create(&jxl->dib, jxl->width, jxl->height, 24);
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            result = set_output(decoder, jxl) ? SPI_OK : SPI_NO_MEMORY;
        } else if (status == JXL_DEC_NEED_MORE_INPUT) {
            result = report(feed, feed->fed);
            if (result == SPI_OK && !feed_more(decoder, feed))
                result = SPI_BROKEN_DATA; /* cut short */
        } else if (status == JXL_DEC_FULL_IMAGE) {
            if (is_cmyk(jxl))
                compose_cmyk(jxl);
            return SPI_OK;
        } else { /* an error, or the end without a frame */
            return SPI_BROKEN_DATA;
        }
        if (result != SPI_OK)
            return result;
    }
}

/* One worker per core: the plug-in's caller waits for the picture anyway. */
static int32_t decode_threaded(Feed* feed, Jxl* jxl) {
    JxlDecoder* decoder = JxlDecoderCreate(NULL);
    void* runner =
        JxlThreadParallelRunnerCreate(NULL, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    int32_t result = SPI_NO_MEMORY;
    if (decoder && runner &&
        JxlDecoderSetParallelRunner(decoder, JxlThreadParallelRunner, runner) == JXL_DEC_SUCCESS)
        result = decode_picture(decoder, feed, jxl);
    if (decoder)
        JxlDecoderDestroy(decoder); /* before the runner its workers belong to */
    if (runner)
        JxlThreadParallelRunnerDestroy(runner);
    return result;
}

/* Runs the decoder over the whole input up to the basic information. */
static int32_t read_basic_info(const char* buf, intptr_t len, Jxl* out) {
    const size_t n = spi_length(len);
    memset(out, 0, sizeof *out);
    if (!buf || !is_jxl((const uint8_t*)buf, n))
        return SPI_UNKNOWN_FORMAT;
    JxlDecoder* decoder = JxlDecoderCreate(NULL);
    if (!decoder)
        return SPI_NO_MEMORY;
    int32_t result = SPI_BROKEN_DATA;
    if (JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO) == JXL_DEC_SUCCESS &&
        JxlDecoderSetInput(decoder, (const uint8_t*)buf, n) == JXL_DEC_SUCCESS) {
        JxlDecoderCloseInput(decoder);
        if (JxlDecoderProcessInput(decoder) == JXL_DEC_BASIC_INFO && take_basic_info(decoder, out))
            result = SPI_OK;
    }
    JxlDecoderDestroy(decoder);
    return result;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Jxl jxl;
    (void)flag;
    const int32_t result = read_basic_info(buf, len, &jxl);
    if (result == SPI_OK)
        spi_picture_info(lpInfo, jxl.width, jxl.height, 24);
    return result;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Jxl jxl;
    Feed feed = {(const uint8_t*)buf, spi_length(len), 0, lpPrgressCallback, lData};
    (void)flag;
    memset(&jxl, 0, sizeof jxl);
    if (!buf || !is_jxl(feed.data, feed.size))
        return SPI_UNKNOWN_FORMAT;
    int32_t result = report(&feed, 0);
    if (result == SPI_OK)
        result = decode_threaded(&feed, &jxl);
    if (result == SPI_OK)
        result = report(&feed, feed.size);
    free(jxl.black_plane);
    free(jxl.alpha_plane);
    if (result != SPI_OK) {
        spi_dib_discard(&jxl.dib);
        return result;
    }
    return spi_dib_finish(&jxl.dib, pHBInfo, pHBm);
}
