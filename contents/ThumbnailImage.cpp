#include "contents/ThumbnailImage.h"

#include "loading/JpegDecoder.h"

#include <cstring>

namespace folivex {

namespace {

void StretchInto(const Bitmap24& picture, Bitmap24& target, int left, int top, int width,
                 int height) {
    if (width <= 0 || height <= 0)
        return;
    const QImage scaled =
        ToQImage(picture).scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < height; ++y)
        std::memcpy(target.row(top + y) + std::size_t(left) * 3, scaled.constScanLine(y),
                    std::size_t(width) * 3);
}

} // namespace

bool IsJpegName(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string ext(name.substr(dot + 1));
    for (char& c : ext)
        c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    return ext == "jpg" || ext == "jpeg";
}

Bitmap24 MakeThumbnail(const Bitmap24& picture, int size) {
    Bitmap24 thumb(size, size);
    std::memset(thumb.pixels.data(), 0xFF, thumb.pixels.size());
    if (picture.empty() || size <= 0)
        return thumb;
    const double w = picture.width, h = picture.height, t = size;
    if (picture.width > picture.height) {
        const int o = int((t - (h / w) * t) / 2);
        StretchInto(picture, thumb, 0, o, size - 1, size - 1 - 2 * o);
    } else {
        const int o = int((t - (w / h) * t) / 2);
        StretchInto(picture, thumb, o, 0, size - 1 - 2 * o, size - 1);
    }
    return thumb;
}

QImage ToQImage(const Bitmap24& picture) {
    if (picture.empty())
        return QImage();
    return QImage(picture.pixels.data(), picture.width, picture.height, qsizetype(picture.stride()),
                  QImage::Format_BGR888)
        .copy();
}

Bitmap24 FromQImage(const QImage& image) {
    if (image.isNull())
        return Bitmap24();
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    Bitmap24 out(bgr.width(), bgr.height());
    for (int y = 0; y < out.height; ++y)
        std::memcpy(out.row(y), bgr.constScanLine(y), out.stride());
    return out;
}

} // namespace folivex
