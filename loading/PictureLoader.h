// The one way a listed picture file becomes a 24-bit picture, shared by the page
// rendering, the thumbnails and the thumbnail cache.
#pragma once

#include "core/Bitmap24.h"
#include "loading/SPIBitmap.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace folivex {

// By the file's content first: the JPEG and bitmap signatures go to the JPEG decoder and
// the plain bitmap reader, anything else to spiBitmap (the caller's shared TSPIBitmap,
// whose plug-ins each judge it; the picture is moved out of it, not copied). Only when no
// reader knows the content does the extension choose whose error is raised, so a damaged
// ".jpg" still reports the JPEG decoder's error. A path inside an archive file
// ("/a/book.cbz/p.jpg") reads that entry from the archive.
Bitmap24 LoadPicture24(const std::string& path, TSPIBitmap& spiBitmap);

// The same for bytes already read from `path`.
Bitmap24 DecodePictureBytes(const std::string& path, std::span<const std::uint8_t> bytes,
                            TSPIBitmap& spiBitmap);

// What the plug-ins make of bytes that carry no built-in signature; when none reads
// them, the error of the reader the name points at.
Bitmap24 DecodeWithPlugIns(const std::string& path, std::span<const std::uint8_t> bytes,
                           TSPIBitmap& spiBitmap);

// A thumbnail of a listed picture that needs at least minLongSide pixels: a file named as
// a JPEG whose start is one takes the JPEG decoder's reduced route (a camera's EXIF
// thumbnail may stand in); anything else is the whole picture from `others`.
Bitmap24 LoadThumbnailPicture(const std::string& path, int minLongSide,
                              const std::function<Bitmap24(const std::string&)>& others);

} // namespace folivex
