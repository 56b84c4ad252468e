// Fuzz target: the plain bitmap reader that decodes ".bmp" files and plug-in results.
#include "loading/BmpReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        // A few run-length bytes may claim a vast picture; a smaller limit keeps runs fast.
        folivex::ReadBmp({data, size}, folivex::BmpLimits{.maxPixels = 1 << 20});
    } catch (const folivex::EInvalidGraphic&) {
    }
    return 0;
}
