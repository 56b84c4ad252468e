// Helpers of the rendering tests: the application's font substitutes, solid and
// patterned pictures served by name, and pixel comparisons with a tolerance.
#pragma once

#include "core/Bitmap24.h"
#include "core/Error.h"
#include "core/TextCodec.h"
#include "view/AlbumState.h"
#include "view/PictureList.h"

#include <QFont>
#include <QImage>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

// A real decoder for the tests: Qt's JPEG reader, turned into the renderer's pixels.
inline Bitmap24 DecodeWithQt(const std::string& path) {
    const QImage decoded(QString::fromStdString(path));
    if (decoded.isNull())
        throw Error(FormatMessage(msg::kCannotOpen, path));
    const QImage bgr = decoded.convertToFormat(QImage::Format_BGR888);
    Bitmap24 b(bgr.width(), bgr.height());
    for (int y = 0; y < b.height; ++y)
        std::memcpy(b.row(y), bgr.constScanLine(y), b.stride());
    return b;
}

// The album the build makes in FOLIVEX_SAMPLE_DIR, read from its album file's lines
// (count, name and comment pairs, then split mode, opening, texture, cover colour, page
// colour, cover mode, title, cover picture). False when the sample has not been built.
inline bool LoadSampleAlbum(const std::string& folder, AlbumState& state, PictureList& pictures) {
    std::ifstream in(folder + "/Sample.ajv", std::ios::binary);
    if (!in)
        return false;
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string text = DecodeFileText(bytes.str());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find("\r\n", at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    const int count = std::stoi(lines.at(0));
    pictures.Reset();
    for (int i = 0; i < count; ++i) {
        PictureList::Row row{lines.at(1 + 2 * i), lines.at(2 + 2 * i), std::to_string(i + 1)};
        if (i == 0)
            pictures.MutableAt(1) = row;
        else
            pictures.Append(row);
    }
    const std::size_t base = std::size_t(1 + 2 * count);
    state.page.splitMode = std::stoi(lines.at(base));
    state.page.openMode = std::stoi(lines.at(base + 1));
    state.coverColor = lines.at(base + 3);
    state.pageColor = lines.at(base + 4);
    state.coverMode = std::stoi(lines.at(base + 5));
    state.albumTitle = lines.at(base + 6);
    state.coverPicture = lines.at(base + 7);
    state.pictureFolder = folder + "/";
    return true;
}

} // namespace folivex::testing
