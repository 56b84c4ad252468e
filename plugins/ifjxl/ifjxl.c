/* ifjxl.spi: a Susie import plug-in for JPEG XL pictures through libjxl, bare codestreams
 * and containers alike. It answers the first frame, upright by the codestream's own
 * orientation (libjxl turns it by default), 8 bits per channel, laid onto white where it
 * has alpha. */
#include "spicommon.h"

#include <jxl/decode.h>
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

typedef struct {
    uint32_t width, height; /* upright */
    SpiAlpha alpha;
    uint8_t* pixels; /* RGBA rows from the top, when the picture was asked for */
} Jxl;

/* The upright size from the basic information; 0 when it is too large. */
static int take_basic_info(JxlDecoder* decoder, Jxl* out) {
    JxlBasicInfo info;
    if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
        return 0;
    const int turned = info.orientation >= JXL_ORIENT_TRANSPOSE; /* 5 to 8 swap the sides */
    out->width = turned ? info.ysize : info.xsize;
    out->height = turned ? info.xsize : info.ysize;
    out->alpha = info.alpha_premultiplied ? SPI_ALPHA_PREMULTIPLIED : SPI_ALPHA_STRAIGHT;
    return spi_size_allowed(out->width, out->height);
}

static int set_output(JxlDecoder* decoder, Jxl* out) {
    static const JxlPixelFormat kFormat = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    const size_t wanted = (size_t)out->width * out->height * 4;
    size_t size = 0;
    if (JxlDecoderImageOutBufferSize(decoder, &kFormat, &size) != JXL_DEC_SUCCESS ||
        size != wanted || !(out->pixels = malloc(size)))
        return 0;
    return JxlDecoderSetImageOutBuffer(decoder, &kFormat, out->pixels, size) == JXL_DEC_SUCCESS;
}

/* Runs the decoder over the whole input up to the basic information, or up to the first
 * frame's pixels when want_pixels is set. */
static int32_t run(const char* buf, intptr_t len, int want_pixels, Jxl* out) {
    const size_t n = spi_length(len);
    memset(out, 0, sizeof *out);
    if (!buf || !is_jxl((const uint8_t*)buf, n))
        return SPI_UNKNOWN_FORMAT;
    JxlDecoder* decoder = JxlDecoderCreate(NULL);
    if (!decoder)
        return SPI_NO_MEMORY;
    int32_t result = SPI_BROKEN_DATA;
    const int events = JXL_DEC_BASIC_INFO | (want_pixels ? JXL_DEC_FULL_IMAGE : 0);
    if (JxlDecoderSubscribeEvents(decoder, events) == JXL_DEC_SUCCESS &&
        JxlDecoderSetInput(decoder, (const uint8_t*)buf, n) == JXL_DEC_SUCCESS) {
        JxlDecoderCloseInput(decoder);
        for (;;) {
            const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
            if (status == JXL_DEC_BASIC_INFO) {
                if (!take_basic_info(decoder, out))
                    break;
                if (!want_pixels) {
                    result = SPI_OK;
                    break;
                }
            } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
                if (!set_output(decoder, out))
                    break;
            } else if (status == JXL_DEC_FULL_IMAGE) {
                result = SPI_OK;
                break;
            } else { /* an error, input that ends early, or the end without a frame */
                break;
            }
        }
    }
    JxlDecoderDestroy(decoder);
    if (result != SPI_OK) {
        free(out->pixels);
        out->pixels = NULL;
    }
    return result;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Jxl jxl;
    (void)flag;
    const int32_t result = run(buf, len, 0, &jxl);
    if (result == SPI_OK)
        spi_picture_info(lpInfo, jxl.width, jxl.height, 24);
    return result;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Jxl jxl;
    (void)flag;
    if (!buf || !is_jxl((const uint8_t*)buf, spi_length(len)))
        return SPI_UNKNOWN_FORMAT;
    if (spi_progress(lpPrgressCallback, lData, 0, 1))
        return SPI_ABORTED;
    int32_t result = run(buf, len, 1, &jxl);
    if (result != SPI_OK)
        return result;
    const SpiRgba picture = {jxl.pixels, jxl.width, jxl.height, (size_t)jxl.width * 4, jxl.alpha};
    result = spi_deliver_rgba(&picture, 1, pHBInfo, pHBm, lpPrgressCallback, lData);
    free(jxl.pixels);
    return result;
}
