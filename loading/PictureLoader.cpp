#include "loading/PictureLoader.h"

#include "loading/BmpReader.h"
#include "loading/JpegDecoder.h"

namespace folivex {

Bitmap24 LoadPicture24(const std::string& path, TSPIBitmap& spiBitmap) {
    const std::string ext = UpperCaseAscii(ExtractFileExt(path));
    if (ext == ".JPG" || ext == ".JPEG")
        return DecodeJpegFile(path);
    if (ext == ".BMP")
        return LoadBmpFile(path);
    spiBitmap.LoadFromFile(path);
    return std::move(spiBitmap.Picture()); // the caller's copy is the only one needed
}

} // namespace folivex
