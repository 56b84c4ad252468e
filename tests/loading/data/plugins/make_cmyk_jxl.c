/* Writes cmyk.jxl: a lossless 3 x 2 CMYK JPEG XL (three ink channels and a black extra
 * channel), which cjxl cannot make from any input it reads. Ink is stored inverted as
 * JPEG XL has it: 0 is full ink, 255 none. Built and run by make_fixtures.sh. */
#include <jxl/encode.h>
#include <stdio.h>

int main(int argc, char** argv) {
    /* no ink, cyan, magenta + yellow, black only, yellow at half black, a mix */
    static const unsigned char kCmy[6 * 3] = {255, 255, 255, 0,   255, 255, 255, 0,   0,
                                              255, 255, 255, 255, 255, 0,   200, 100, 50};
    static const unsigned char kBlack[6] = {255, 255, 255, 0, 128, 200};
    const JxlPixelFormat format = {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlEncoder* encoder = JxlEncoderCreate(NULL);
    JxlBasicInfo info;
    JxlExtraChannelInfo black;
    JxlColorEncoding colour;
    unsigned char out[4096], *next = out;
    size_t room = sizeof out;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = 3, info.ysize = 2, info.bits_per_sample = 8, info.num_extra_channels = 1;
    info.uses_original_profile = JXL_TRUE;
    JxlEncoderInitExtraChannelInfo(JXL_CHANNEL_BLACK, &black);
    black.bits_per_sample = 8;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    JxlEncoderFrameSettings* frame = NULL;
    if (argc != 2 || JxlEncoderSetCodestreamLevel(encoder, 10) ||
        JxlEncoderSetBasicInfo(encoder, &info) ||
        JxlEncoderSetExtraChannelInfo(encoder, 0, &black) ||
        JxlEncoderSetColorEncoding(encoder, &colour) ||
        !(frame = JxlEncoderFrameSettingsCreate(encoder, NULL)) ||
        JxlEncoderSetFrameLossless(frame, JXL_TRUE) ||
        JxlEncoderAddImageFrame(frame, &format, kCmy, sizeof kCmy) ||
        JxlEncoderSetExtraChannelBuffer(frame, &format, kBlack, sizeof kBlack, 0))
        return 1;
    JxlEncoderCloseInput(encoder);
    if (JxlEncoderProcessOutput(encoder, &next, &room) != JXL_ENC_SUCCESS)
        return 1;
    FILE* file = fopen(argv[1], "wb");
    if (!file || fwrite(out, 1, (size_t)(next - out), file) != (size_t)(next - out))
        return 1;
    JxlEncoderDestroy(encoder);
    return fclose(file) != 0;
}
