// Feeds arbitrary bytes to the thumbnail cache file reader: it must either return
// thumbnails of the stated size or raise the program's error, never crash.
#include "contents/ThumbnailCacheFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const folivex::ThumbnailSet set = folivex::ParseThumbnailCache({data, size});
        for (const auto& image : set.images) {
            if (image.width != set.width || image.height != set.height)
                std::abort();
        }
    } catch (const folivex::Error&) {
        // A damaged file is reported, which is what the reader must do.
    }
    return 0;
}
