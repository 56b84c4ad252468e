// Fuzz target for the album file reader: any bytes, read as an album file.
#include "albumfile/AlbumText.h"
#include "core/Error.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace folivex;
    AlbumState state;
    PictureList pictures;
    AlbumTextureHooks hooks{[](const std::string& path) -> Bitmap24 {
                                throw Error(FormatMessage(msg::kCannotOpen, path));
                            },
                            nullptr};
    try {
        const std::string_view bytes(reinterpret_cast<const char*>(data), size);
        ApplyAlbumLines(SplitAlbumLines(bytes), "/albums/fuzz.ajv", state, pictures, hooks);
        BuildAlbumText(state, pictures);
    } catch (const Error&) {
        // Every malformed file ends in one of the reader's reported errors.
    }
    return 0;
}
