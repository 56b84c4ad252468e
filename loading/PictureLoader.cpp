#include "loading/PictureLoader.h"

#include "loading/Archive.h"
#include "loading/BmpReader.h"
#include "loading/JpegDecoder.h"
#include "loading/PictureSniff.h"

namespace folivex {

Bitmap24 LoadPicture24(const std::string& path, TSPIBitmap& spiBitmap) {
    // Pictures inside an archive come as bytes; files are read the same way, once.
    return DecodePictureBytes(path, ReadPictureBytes(path), spiBitmap);
}

Bitmap24 DecodePictureBytes(const std::string& path, std::span<const std::uint8_t> bytes,
                            TSPIBitmap& spiBitmap) {
    switch (SniffBuiltInFormat(bytes)) {
    case BuiltInFormat::Jpeg:
        return DecodeJpeg(bytes);
    case BuiltInFormat::Bmp:
        return ReadBmp(bytes);
    case BuiltInFormat::None:
        break;
    }
    return DecodeWithPlugIns(path, bytes, spiBitmap);
}

Bitmap24 DecodeWithPlugIns(const std::string& path, std::span<const std::uint8_t> bytes,
                           TSPIBitmap& spiBitmap) {
    try {
        spiBitmap.LoadFromNamedMemory(bytes, path);
    } catch (const EInvalidGraphic&) {
        // Nothing reads it: a damaged file named as a built-in format gets that reader's
        // own error, as it always has.
        if (BuiltInFormatOfName(path) == BuiltInFormat::Jpeg)
            return DecodeJpeg(bytes);
        throw;
    }
    return std::move(spiBitmap.Picture()); // the caller's copy is the only one needed
}

Bitmap24 LoadThumbnailPicture(const std::string& path, int minLongSide,
                              const std::function<Bitmap24(const std::string&)>& others) {
    if (BuiltInFormatOfName(path) == BuiltInFormat::Jpeg) {
        if (!others) // no other reader to ask: the JPEG decoder says what is wrong
            return LoadJpegThumbnail(path, minLongSide);
        if (auto thumbnail = LoadJpegThumbnailIfJpeg(path, minLongSide))
            return std::move(*thumbnail);
    }
    return others(path);
}

} // namespace folivex
