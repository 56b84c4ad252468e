// Fuzz target: the handler that turns a plug-in's bitmap header block and pixel block into
// a picture. Input: a 2-byte little-endian header block length, the header block, then
// the pixel block; each block gets its own exact-size buffer, as a plug-in's would be.
#include "loading/SPIBitmap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t headerLength = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    const std::vector<std::uint8_t> header(data + 2, data + 2 + headerLength);
    const std::vector<std::uint8_t> bits(data + 2 + headerLength, data + size);
    folivex::TSPIBitmap bitmap;
    bool done = false;
    bitmap.ReadDIB(header, bits, folivex::SPIPictureInfo{}, done);
    if (done && bitmap.Picture().pixels.size() !=
                    std::size_t(bitmap.Picture().width) * std::size_t(bitmap.Picture().height) * 3)
        __builtin_trap();
    return 0;
}
