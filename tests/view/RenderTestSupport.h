// Helpers of the rendering tests: the application's font substitutes, solid and
// patterned pictures served by name, and pixel comparisons with a tolerance.
#pragma once

#include "app/core/Bitmap24.h"
#include "app/core/Error.h"
#include "view/AlbumState.h"
#include "view/PictureList.h"

#include <QFont>
#include <QImage>

#include <cstdlib>
#include <map>
#include <string>

namespace folivex::testing {

// The desktop's Japanese font names map to the installed IPA fonts, as in the program.
inline void UseFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
}

inline Bitmap24 SolidPicture(int w, int h, QRgb color) {
    Bitmap24 b(w, h);
    for (std::size_t i = 0; i < b.pixels.size(); i += 3) {
        b.pixels[i] = std::uint8_t(qBlue(color));
        b.pixels[i + 1] = std::uint8_t(qGreen(color));
        b.pixels[i + 2] = std::uint8_t(qRed(color));
    }
    return b;
}

// Pictures by full path; any other path fails as an unreadable file does.
struct FakePictures {
    std::map<std::string, Bitmap24> byPath;
    int reads = 0;
    Bitmap24 operator()(const std::string& path) {
        ++reads;
        auto it = byPath.find(path);
        if (it == byPath.end())
            throw Error(FormatMessage(msg::kCannotOpen, path));
        return it->second;
    }
};

inline QRgb PixelAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000u;
}

inline QRgb Halved(QRgb c) {
    return qRgb(qRed(c) / 2, qGreen(c) / 2, qBlue(c) / 2);
}

// Share of pixels differing by more than `delta` in some channel; sizes must agree.
inline double DifferingShare(const QImage& a, const QImage& b, int delta) {
    if (a.size() != b.size() || a.isNull())
        return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    long long differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            if (std::abs(qRed(p[col]) - qRed(q[col])) > delta ||
                std::abs(qGreen(p[col]) - qGreen(q[col])) > delta ||
                std::abs(qBlue(p[col]) - qBlue(q[col])) > delta)
                ++differing;
    }
    return double(differing) / (double(x.width()) * x.height());
}

} // namespace folivex::testing
