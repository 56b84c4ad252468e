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

// A picture of one colour, recognisable after JPEG compression.
inline Bitmap24 Solid(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    Bitmap24 p(width, height);
    for (std::size_t i = 0; i < p.pixels.size(); i += 3) {
        p.pixels[i] = b;
        p.pixels[i + 1] = g;
        p.pixels[i + 2] = r;
    }
    return p;
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

// The JPEG file with an EXIF block as a camera writes it: the orientation in the first
// directory, and `thumbnail` (JPEG bytes) as the second directory's thumbnail.
inline std::vector<std::uint8_t> WithExifThumbnail(const std::vector<std::uint8_t>& jpeg,
                                                   const std::vector<std::uint8_t>& thumbnail,
                                                   int orientation = 1) {
    std::vector<std::uint8_t> b{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](std::uint32_t v) {
        b.push_back(std::uint8_t(v));
        b.push_back(std::uint8_t(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t value) {
        put16(tag);
        put16(type);
        put32(1);
        put32(value); // a SHORT in the first two bytes, little-endian
    };
    // Offsets count from the TIFF header, 6 bytes in.
    const std::uint32_t ifd1 = 8 + 2 + 12 + 4;
    const std::uint32_t data = ifd1 + 2 + 3 * 12 + 4;
    put16(1);
    entry(0x0112, 3, std::uint32_t(orientation));
    put32(ifd1);
    put16(3);
    entry(0x0103, 3, 6); // compression: JPEG
    entry(0x0201, 4, data);
    entry(0x0202, 4, std::uint32_t(thumbnail.size()));
    put32(0);
    b.insert(b.end(), thumbnail.begin(), thumbnail.end());
    std::vector<std::uint8_t> app1{0xFF, 0xE1, std::uint8_t((b.size() + 2) >> 8),
                                   std::uint8_t(b.size() + 2)};
    app1.insert(app1.end(), b.begin(), b.end());
    std::vector<std::uint8_t> out = jpeg;
    out.insert(out.begin() + 2, app1.begin(), app1.end());
    return out;
}

} // namespace folivex::test
