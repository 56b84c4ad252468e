// Fuzz target: the EXIF readers, libexif's for JPEG files and the plug-ins' own for bare
// EXIF blocks, the turn of a small picture by what they read, and a thumbnail decode,
// which may take the embedded thumbnail they find instead of the picture.
#include "core/Error.h"
#include "loading/ExifOrientation.h"
#include "loading/JpegDecoder.h"
#include "loading/Orientation.h"
#include "spicommon.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fromJpeg = folivex::ReadExifOrientation({data, size});
    const int fromBlock = spi_exif_orientation(data, size);
    if (fromJpeg < 1 || fromJpeg > 8 || fromBlock < 1 || fromBlock > 8)
        std::abort();
    const folivex::ExifFacts facts = folivex::ReadExifFacts({data, size});
    if (facts.orientation != fromJpeg || facts.thumbnail.size() > size)
        std::abort();
    const folivex::Bitmap24 upright = folivex::TurnUpright(folivex::Bitmap24(3, 2), fromJpeg);
    if (upright.pixels.size() != 18)
        std::abort();
    try {
        const folivex::Bitmap24 small = folivex::DecodeJpegReduced({data, size}, 16);
        if (small.pixels.size() != std::size_t(small.width) * std::size_t(small.height) * 3)
            std::abort();
    } catch (const folivex::Error&) { // the decoder's clear refusal of a damaged file
    }
    return 0;
}
