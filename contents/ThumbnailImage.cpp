#include "contents/ThumbnailImage.h"

#include "loading/JpegDecoder.h"
#include "loading/PictureFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace folivex {

namespace {

// libjpeg reports fatal errors through a callback that must not return; it jumps back to
// the entry point, which keeps every C++ object it owns outside the jump's reach.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    int code = 0;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = err->base.msg_code;
    std::longjmp(err->jump, 1);
}

// A picture that ends early would leave grey rows in its thumbnail: treat it as broken,
// as the full decoder does.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        OnError(cinfo);
}

unsigned ReducedDenominator(unsigned width, unsigned height, int minLongSide) {
    const unsigned longSide = width > height ? width : height;
    for (unsigned denom : {8u, 4u, 2u}) {
        if ((longSide + denom - 1) / denom >= unsigned(minLongSide > 0 ? minLongSide : 1))
            return denom;
    }
    return 1;
}

enum class Outcome { Decoded, NeedsFullDecoder };

[[gnu::noinline]] Outcome DecodeReducedInto(jpeg_decompress_struct& cinfo,
                                            std::span<const std::uint8_t> data, int minLongSide,
                                            Bitmap24& out) {
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
        return Outcome::NeedsFullDecoder;
    cinfo.out_color_space = JCS_EXT_BGR;
    cinfo.scale_num = 1;
    cinfo.scale_denom = ReducedDenominator(cinfo.image_width, cinfo.image_height, minLongSide);
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_calc_output_dimensions(&cinfo);
    if (std::uint64_t(cinfo.output_width) * cinfo.output_height > kMaxPicturePixels)
        ERREXIT(&cinfo, JERR_IMAGE_TOO_BIG);
    jpeg_start_decompress(&cinfo);
    out = Bitmap24(int(cinfo.output_width), int(cinfo.output_height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.row(int(cinfo.output_scanline));
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            ERREXIT(&cinfo, JERR_INPUT_EMPTY);
    }
    jpeg_finish_decompress(&cinfo);
    return Outcome::Decoded;
}

struct MemoryDestination {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~MemoryDestination() { std::free(buffer); }
};

[[gnu::noinline]] void EncodeInto(jpeg_compress_struct& cinfo, const Bitmap24& picture, int quality,
                                  MemoryDestination& dest) {
    jpeg_mem_dest(&cinfo, &dest.buffer, &dest.size);
    cinfo.image_width = JDIMENSION(picture.width);
    cinfo.image_height = JDIMENSION(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(picture.row(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
}

void StretchInto(const Bitmap24& picture, Bitmap24& target, int left, int top, int width,
                 int height) {
    if (width <= 0 || height <= 0)
        return;
    const QImage scaled =
        ToQImage(picture).scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < height; ++y)
        std::memcpy(target.row(top + y) + std::size_t(left) * 3, scaled.constScanLine(y),
                    std::size_t(width) * 3);
}

} // namespace

bool IsJpegName(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string ext(name.substr(dot + 1));
    for (char& c : ext)
        c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    return ext == "jpg" || ext == "jpeg";
}

Bitmap24 DecodeJpegReduced(std::span<const std::uint8_t> data, int minLongSide) {
    // Created before the jump target and never reassigned, so they survive a jump.
    const auto out = std::make_unique<Bitmap24>();
    const auto cinfo = std::make_unique<jpeg_decompress_struct>();
    const auto err = std::make_unique<ErrorManager>();
    cinfo->err = jpeg_std_error(&err->base);
    err->base.error_exit = OnError;
    err->base.emit_message = OnMessage;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(cinfo.get());
        throw Error(FormatMessage(msg::kJpegError, err->code));
    }
    jpeg_create_decompress(cinfo.get());
    if (data.empty())
        ERREXIT(cinfo.get(), JERR_INPUT_EMPTY);
    const Outcome outcome = DecodeReducedInto(*cinfo, data, minLongSide, *out);
    jpeg_destroy_decompress(cinfo.get());
    if (outcome == Outcome::NeedsFullDecoder)
        return DecodeJpeg(data);
    return std::move(*out);
}

Bitmap24 MakeThumbnail(const Bitmap24& picture, int size) {
    Bitmap24 thumb(size, size);
    std::memset(thumb.pixels.data(), 0xFF, thumb.pixels.size());
    if (picture.empty() || size <= 0)
        return thumb;
    const double w = picture.width, h = picture.height, t = size;
    if (picture.width > picture.height) {
        const int o = int((t - (h / w) * t) / 2);
        StretchInto(picture, thumb, 0, o, size - 1, size - 1 - 2 * o);
    } else {
        const int o = int((t - (w / h) * t) / 2);
        StretchInto(picture, thumb, o, 0, size - 1 - 2 * o, size - 1);
    }
    return thumb;
}

std::vector<std::uint8_t> EncodeJpeg(const Bitmap24& picture, int quality) {
    if (picture.empty())
        throw Error(FormatMessage(msg::kJpegError, JERR_EMPTY_IMAGE));
    const auto dest = std::make_unique<MemoryDestination>();
    const auto cinfo = std::make_unique<jpeg_compress_struct>();
    const auto err = std::make_unique<ErrorManager>();
    cinfo->err = jpeg_std_error(&err->base);
    err->base.error_exit = OnError;
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(cinfo.get());
        throw Error(FormatMessage(msg::kJpegError, err->code));
    }
    jpeg_create_compress(cinfo.get());
    EncodeInto(*cinfo, picture, quality, *dest);
    jpeg_destroy_compress(cinfo.get());
    return std::vector<std::uint8_t>(dest->buffer, dest->buffer + dest->size);
}

QImage ToQImage(const Bitmap24& picture) {
    if (picture.empty())
        return QImage();
    return QImage(picture.pixels.data(), picture.width, picture.height, qsizetype(picture.stride()),
                  QImage::Format_BGR888)
        .copy();
}

Bitmap24 FromQImage(const QImage& image) {
    if (image.isNull())
        return Bitmap24();
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    Bitmap24 out(bgr.width(), bgr.height());
    for (int y = 0; y < out.height; ++y)
        std::memcpy(out.row(y), bgr.constScanLine(y), out.stride());
    return out;
}

} // namespace folivex
