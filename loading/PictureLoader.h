// The one way a listed picture file becomes a 24-bit picture, shared by the page
// rendering, the thumbnails and the thumbnail cache.
#pragma once

#include "core/Bitmap24.h"
#include "loading/SPIBitmap.h"

#include <string>

namespace folivex {

// By the file's extension, ignoring letter case: ".jpg" and ".jpeg" through the JPEG
// decoder, ".bmp" through the plain bitmap reader, anything else through spiBitmap (the
// caller's shared TSPIBitmap; the picture is moved out of it, not copied). A path inside
// an archive file ("/a/book.cbz/p.jpg") reads that entry from the archive. Raises the
// decoder's error when the file cannot be read.
Bitmap24 LoadPicture24(const std::string& path, TSPIBitmap& spiBitmap);

} // namespace folivex
