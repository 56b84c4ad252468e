// Writes JPEG data with libjpeg, for the decoder's tests and benchmark.
#pragma once

#include "core/Bitmap24.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

namespace folivex::test {

// A blue-green-red picture (or its first channel alone when grey) at the given quality.
inline std::vector<std::uint8_t> EncodeJpeg(const Bitmap24& picture, int quality = 90,
                                            bool grey = false) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(picture.width);
    cinfo.image_height = JDIMENSION(picture.height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<std::uint8_t> greyRow(std::size_t(picture.width));
    while (cinfo.next_scanline < cinfo.image_height) {
        const std::uint8_t* src = picture.row(int(cinfo.next_scanline));
        if (grey) {
            for (int x = 0; x < picture.width; ++x)
                greyRow[std::size_t(x)] = src[x * 3];
            src = greyRow.data();
        }
        JSAMPROW row = const_cast<JSAMPROW>(src);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// A smooth picture that survives compression well.
inline Bitmap24 Gradient(int width, int height) {
    Bitmap24 p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = p.row(y) + x * 3;
            px[0] = std::uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
            px[1] = std::uint8_t(y * 255 / (height > 1 ? height - 1 : 1));
            px[2] = 128;
        }
    return p;
}

} // namespace folivex::test
