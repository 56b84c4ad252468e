#include "loading/JpegDecoder.h"

#include "loading/Archive.h"
#include "loading/DecodeBudget.h"
#include "loading/ExifOrientation.h"
#include "loading/Orientation.h"
#include "loading/PictureFile.h"
#include "loading/PictureSniff.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace folivex {

namespace {

constexpr long kMaxJpegWorkMemory = 512L << 20;

// libjpeg reports fatal errors through a callback that must not return; it jumps back
// to DecodeJpeg, which owns no object that the jump could skip.
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

// Warnings are ignored (many cameras write slightly damaged files that decode fine),
// except a file that ends early: its picture would be partly grey.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        OnError(cinfo);
}

void ConvertCmykRow(const std::uint8_t* cmyk, std::uint8_t* bgr, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        auto channel = [&](std::uint8_t ink) {
            unsigned c = inverted ? ink : 255u - ink;
            unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
            return std::uint8_t(c * k / 255);
        };
        bgr[0] = channel(cmyk[2]);
        bgr[1] = channel(cmyk[1]);
        bgr[2] = channel(cmyk[0]);
    }
}

// The smallest of the scales 1/8, 1/4, 1/2 and 1 whose longer side keeps minLongSide
// pixels; 1 for a full-size decode (minLongSide 0).
unsigned ReducedDenominator(unsigned width, unsigned height, int minLongSide) {
    if (minLongSide <= 0)
        return 1;
    const unsigned longSide = width > height ? width : height;
    for (unsigned denom : {8u, 4u, 2u}) {
        if ((longSide + denom - 1) / denom >= unsigned(minLongSide))
            return denom;
    }
    return 1;
}

struct DecodeParams {
    unsigned denominator = 1;
    bool fast = false; // thumbnails: speed matters more than the last bit of precision
    bool headerOnly = false;
};

DecodeParams HeaderOnly() {
    DecodeParams params;
    params.headerOnly = true;
    return params;
}

// What a decode holds at its peak: the output picture, a CMYK row, and for a progressive
// picture the coefficients of the whole frame (two bytes a sample at most, and never
// more than the library is allowed).
std::size_t WorkBytes(const jpeg_decompress_struct& cinfo) {
    std::uint64_t bytes = std::uint64_t(cinfo.output_width) * cinfo.output_height * 3 +
                          std::uint64_t(cinfo.output_width) * 4;
    if (cinfo.progressive_mode)
        bytes += std::min<std::uint64_t>(std::uint64_t(cinfo.image_width) * cinfo.image_height *
                                             std::uint64_t(cinfo.num_components) * 2,
                                         kMaxJpegWorkMemory);
    return std::size_t(bytes);
}

// Everything that may raise a library error, kept out of RunDecode's frame so the jump
// crosses no C++ object with a destructor.
[[gnu::noinline]] void DecodeInto(jpeg_decompress_struct& cinfo, std::span<const std::uint8_t> data,
                                  const DecodeParams& params, Bitmap24& out,
                                  std::vector<std::uint8_t>& cmykRow, DecodeBudget::Grant& grant) {
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (params.headerOnly) {
        out.width = int(cinfo.image_width);
        out.height = int(cinfo.image_height);
        return;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    cinfo.scale_num = 1;
    cinfo.scale_denom = params.denominator;
    if (params.fast) {
        cinfo.dct_method = JDCT_IFAST;
        cinfo.do_fancy_upsampling = FALSE;
    }
    // The stored size, not the scaled one: a reduced or progressive decode still works
    // through the whole frame, and is refused before any of it is allocated.
    if (std::uint64_t(cinfo.image_width) * cinfo.image_height > kMaxPicturePixels)
        ERREXIT(&cinfo, JERR_IMAGE_TOO_BIG);
    jpeg_calc_output_dimensions(&cinfo);
    grant = DecodeBudget::Shared().Acquire(WorkBytes(cinfo));
    jpeg_start_decompress(&cinfo);
    out = Bitmap24(int(cinfo.output_width), int(cinfo.output_height));
    if (cmyk)
        cmykRow.resize(std::size_t(cinfo.output_width) * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint8_t* target = out.row(int(cinfo.output_scanline));
        JSAMPROW row = cmyk ? cmykRow.data() : target;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            ERREXIT(&cinfo, JERR_INPUT_EMPTY);
        if (cmyk)
            ConvertCmykRow(cmykRow.data(), target, out.width, cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&cinfo);
}

// The stored picture (not yet turned upright); raises the library's error.
Bitmap24 RunDecode(std::span<const std::uint8_t> data, const DecodeParams& params) {
    // Created before the jump target and never reassigned, so they survive a jump.
    const auto out = std::make_unique<Bitmap24>();
    const auto cmykRow = std::make_unique<std::vector<std::uint8_t>>();
    const auto cinfo = std::make_unique<jpeg_decompress_struct>();
    const auto err = std::make_unique<ErrorManager>();
    const auto grant = std::make_unique<DecodeBudget::Grant>(); // given back on every way out
    cinfo->err = jpeg_std_error(&err->base);
    err->base.error_exit = OnError;
    err->base.emit_message = OnMessage;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(cinfo.get());
        throw Error(FormatMessage(msg::kJpegError, err->code));
    }
    jpeg_create_decompress(cinfo.get());
    // Bounds the whole-frame buffers of progressive and multi-scan pictures: past it the
    // library fails with its error instead of asking for gigabytes.
    cinfo->mem->max_memory_to_use = kMaxJpegWorkMemory;
    if (data.empty())
        ERREXIT(cinfo.get(), JERR_INPUT_EMPTY);
    DecodeInto(*cinfo, data, params, *out, *cmykRow, *grant);
    jpeg_destroy_decompress(cinfo.get());
    return std::move(*out);
}

// A camera's thumbnail may stand in for its picture when it is big enough and smaller
// than the picture, and has the picture's shape to within one of its pixels either way: a
// thumbnail the camera letterboxed, or one left from before a crop, does not.
bool MayStandIn(int thumbWidth, int thumbHeight, int width, int height, int minLongSide) {
    if (minLongSide <= 0 || std::max(thumbWidth, thumbHeight) < minLongSide ||
        thumbWidth >= width || thumbHeight >= height)
        return false;
    const std::int64_t cross =
        std::int64_t(thumbWidth) * height - std::int64_t(thumbHeight) * width;
    return std::abs(cross) <= std::max(width, height);
}

// The embedded thumbnail as the stored picture's stand-in, not yet upright; nothing when
// it may not stand in or cannot be decoded, so that the picture itself is decoded.
std::optional<Bitmap24> DecodeStandIn(std::span<const std::uint8_t> thumbnail, int width,
                                      int height, int minLongSide) {
    if (thumbnail.empty() || minLongSide <= 0)
        return std::nullopt;
    try {
        const Bitmap24 stored = RunDecode(thumbnail, HeaderOnly());
        if (!MayStandIn(stored.width, stored.height, width, height, minLongSide))
            return std::nullopt;
        DecodeParams params;
        params.denominator =
            ReducedDenominator(unsigned(stored.width), unsigned(stored.height), minLongSide);
        params.fast = true;
        return RunDecode(thumbnail, params);
    } catch (const Error&) { // a damaged thumbnail says nothing about the picture
        return std::nullopt;
    }
}

// The EXIF block comes right after the start of the file and is at most 64 KB; the frame
// header follows it after the tables, so the stand-in is found within this many bytes.
constexpr std::size_t kStandInSearchBytes = 128 * 1024;

// The stored size from the start of a file; nothing when its frame header lies beyond.
std::optional<Bitmap24> HeaderInStart(std::span<const std::uint8_t> start) {
    try {
        return RunDecode(start, HeaderOnly());
    } catch (const Error&) { // not within the start, or damaged: the whole file will tell
        return std::nullopt;
    }
}

std::optional<Bitmap24> UprightStandIn(const ExifFacts& exif, const Bitmap24& stored,
                                       int minLongSide) {
    auto small = DecodeStandIn(exif.thumbnail, stored.width, stored.height, minLongSide);
    if (!small)
        return std::nullopt;
    return TurnUpright(std::move(*small), exif.orientation);
}

Bitmap24 DecodeReduced(std::span<const std::uint8_t> data, const Bitmap24& stored, int minLongSide,
                       int orientation) {
    DecodeParams params;
    params.denominator =
        ReducedDenominator(unsigned(stored.width), unsigned(stored.height), minLongSide);
    params.fast = minLongSide > 0;
    return TurnUpright(RunDecode(data, params), orientation);
}

} // namespace

Bitmap24 DecodeJpeg(std::span<const std::uint8_t> data) {
    return DecodeJpegScaled(data, 1);
}

Bitmap24 DecodeJpegReduced(std::span<const std::uint8_t> data, int minLongSide) {
    const Bitmap24 stored = RunDecode(data, HeaderOnly());
    const ExifFacts exif = ReadExifFacts(data);
    if (auto standIn = UprightStandIn(exif, stored, minLongSide))
        return std::move(*standIn);
    return DecodeReduced(data, stored, minLongSide, exif.orientation);
}

namespace {

Bitmap24 ThumbnailFromStart(const std::string& path, std::vector<std::uint8_t> bytes,
                            int minLongSide) {
    if (bytes.size() < kStandInSearchBytes)
        return DecodeJpegReduced(bytes, minLongSide); // the whole file
    const auto stored = HeaderInStart(bytes);
    if (!stored)
        return DecodeJpegReduced(ReadPictureBytes(path), minLongSide);
    // The EXIF block sits among the first markers, ahead of the frame header: the start
    // holds all of it.
    const ExifFacts exif = ReadExifFacts(bytes);
    if (auto standIn = UprightStandIn(exif, *stored, minLongSide))
        return std::move(*standIn);
    return DecodeReduced(ReadPictureBytes(path), *stored, minLongSide, exif.orientation);
}

} // namespace

Bitmap24 LoadJpegThumbnail(const std::string& path, int minLongSide) {
    return ThumbnailFromStart(path, ReadPictureStart(path, kStandInSearchBytes), minLongSide);
}

std::optional<Bitmap24> LoadJpegThumbnailIfJpeg(const std::string& path, int minLongSide) {
    std::vector<std::uint8_t> start = ReadPictureStart(path, kStandInSearchBytes);
    if (SniffBuiltInFormat(start) != BuiltInFormat::Jpeg)
        return std::nullopt;
    return ThumbnailFromStart(path, std::move(start), minLongSide);
}

JpegInfo ReadJpegInfo(std::span<const std::uint8_t> data) {
    const Bitmap24 header = RunDecode(data, HeaderOnly());
    return {header.width, header.height, ReadExifOrientation(data)};
}

Bitmap24 DecodeJpegScaled(std::span<const std::uint8_t> data, unsigned denominator) {
    DecodeParams params;
    params.denominator = denominator;
    return TurnUpright(RunDecode(data, params), ReadExifOrientation(data));
}

Bitmap24 DecodeJpegFile(const std::string& path) {
    return DecodeJpeg(ReadWholeFile(path));
}

namespace {

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

} // namespace

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

} // namespace folivex
