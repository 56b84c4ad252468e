// Fuzz target: the EXIF orientation readers, libexif's for JPEG files and the plug-ins'
// own for bare EXIF blocks, and the turn of a small picture by what they read.
#include "loading/ExifOrientation.h"
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
    const folivex::Bitmap24 upright = folivex::TurnUpright(folivex::Bitmap24(3, 2), fromJpeg);
    if (upright.pixels.size() != 18)
        std::abort();
    return 0;
}
