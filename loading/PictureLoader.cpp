#include "loading/PictureLoader.h"

#include "loading/Archive.h"
#include "loading/BmpReader.h"
#include "loading/JpegDecoder.h"

namespace folivex {

Bitmap24 LoadPicture24(const std::string& path, TSPIBitmap& spiBitmap) {
    const std::string ext = UpperCaseAscii(ExtractFileExt(path));
    // Pictures inside an archive come as bytes; files are read the same way, once.
    const std::vector<std::uint8_t> bytes = ReadPictureBytes(path);
    if (ext == ".JPG" || ext == ".JPEG")
        return DecodeJpeg(bytes);
    if (ext == ".BMP")
        return ReadBmp(bytes);
    spiBitmap.LoadFromNamedMemory(bytes, path);
    return std::move(spiBitmap.Picture()); // the caller's copy is the only one needed
}

} // namespace folivex
