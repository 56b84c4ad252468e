// Makes the sample album: a dozen photo-like landscapes of varied shapes (one very
// large) and an album file with Japanese comments, written as the Windows edition writes
// album files (CP932, CR LF).
#include "core/TextCodec.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct Picture {
    const char* name;
    int width, height;
    const char* comment;
    unsigned seed;
};

const Picture kPictures[] = {
    {"IMG001.JPG", 800, 600, "浜辺にて", 1},
    {"IMG002.JPG", 600, 800, "山の朝", 2},
    {"IMG003.JPG", 700, 700, "", 3},
    {"IMG004.JPG", 1024, 683, "夕焼けの湖", 4},
    {"IMG005.JPG", 480, 640, "森の小道", 5},
    {"IMG006.JPG", 1200, 800, "雪の峠", 6},
    {"IMG007.JPG", 640, 480, "", 7},
    {"IMG008.JPG", 900, 900, "花畑", 8},
    {"IMG009.JPG", 6000, 4000, "大きな写真：遠くの山並み", 9},
    {"IMG010.JPG", 320, 240, "小さな一枚", 10},
    {"IMG011.JPG", 1600, 500, "パノラマ", 11},
    {"IMG012.JPG", 400, 1000, "塔", 12},
};

unsigned Hash(unsigned x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// A landscape: sky gradient, a sun, two ranges of hills, water or meadow, and grain.
std::vector<std::uint8_t> Landscape(const Picture& p) {
    std::vector<std::uint8_t> rgb(std::size_t(p.width) * std::size_t(p.height) * 3);
    const double hue = (p.seed * 37 % 100) / 100.0;
    const double sunX = 0.2 + 0.6 * ((p.seed * 53) % 100) / 100.0;
    for (int y = 0; y < p.height; ++y) {
        const double v = double(y) / p.height;
        for (int x = 0; x < p.width; ++x) {
            const double u = double(x) / p.width;
            double r = 90 + 120 * v + 40 * hue, g = 140 + 60 * v, b = 230 - 60 * v * hue;
            const double dx = (u - sunX) * p.width / p.height, dy = v - 0.25;
            if (dx * dx + dy * dy < 0.004) {
                r = 255, g = 230, b = 150;
            }
            const double far =
                0.45 + 0.06 * std::sin(u * 9 + p.seed) + 0.03 * std::sin(u * 23 + 2 * p.seed);
            const double near =
                0.62 + 0.08 * std::sin(u * 5 + 3 * p.seed) + 0.02 * std::sin(u * 41 + p.seed);
            if (v > far) {
                r = 90 + 40 * hue, g = 100 + 20 * hue, b = 130;
            }
            if (v > near) {
                r = 50 + 60 * hue + 40 * (v - near), g = 120 + 50 * (1 - v), b = 60 + 40 * hue;
            }
            const double grain =
                double(Hash(unsigned(x) * 7919u + unsigned(y) * 104729u + p.seed) % 21) - 10;
            auto clamp = [](double c) { return std::uint8_t(c < 0 ? 0 : c > 255 ? 255 : c); };
            std::uint8_t* px = &rgb[(std::size_t(y) * std::size_t(p.width) + std::size_t(x)) * 3];
            px[0] = clamp(r + grain);
            px[1] = clamp(g + grain);
            px[2] = clamp(b + grain);
        }
    }
    return rgb;
}

bool WriteJpeg(const std::string& path, const Picture& p, const std::vector<std::uint8_t>& rgb) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = JDIMENSION(p.width);
    c.image_height = JDIMENSION(p.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(&rgb[std::size_t(c.next_scanline) * std::size_t(p.width) * 3]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::filesystem::absolute(argv[1]).lexically_normal().string();
    std::filesystem::create_directories(folder);
    const std::string slash = folder.back() == '/' ? folder : folder + "/";

    std::string text = std::to_string(std::size(kPictures)) + "\r\n";
    for (const Picture& p : kPictures) {
        if (!WriteJpeg(slash + p.name, p, Landscape(p))) {
            std::fprintf(stderr, "cannot write %s%s\n", slash.c_str(), p.name);
            return 1;
        }
        text += std::string(p.name) + "\r\n" + p.comment + "\r\n";
    }
    // Four-split, right-opening, no texture, white cover, cream pages, title cover.
    text +=
        "1\r\n1\r\n\r\nclWhite\r\n$00E0F0F8\r\n0\r\n旅の写真帳\r\nIMG004.JPG\r\n" + slash + "\r\n";
    std::ofstream out(slash + "Sample.ajv", std::ios::binary);
    const std::string bytes = folivex::EncodeFileText(text);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return out ? 0 : 1;
}
