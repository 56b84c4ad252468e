// Time to draw one open spread whose every slot holds the sample album's largest picture
// (6000 x 4000), in 2-split and 4-split mode, plainly and cleanly, on a 1024 x 768 window
// background. The pictures are decoded once beforehand and handed over ready, so the
// figures are drawing only; decoding one such JPEG is measured on its own ("Decode").
#include "bench/OffscreenApp.h"
#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

using folivex::Bitmap24;

QGuiApplication& App() {
    return folivex::bench::OffscreenApp();
}

QString SamplePicture() {
    return App().applicationDirPath() + QStringLiteral("/../sample/IMG009.JPG");
}

Bitmap24 ToBitmap(const QImage& decoded) {
    const QImage bgr = decoded.convertToFormat(QImage::Format_BGR888);
    Bitmap24 b(bgr.width(), bgr.height());
    for (int y = 0; y < b.height; ++y)
        std::memcpy(b.row(y), bgr.constScanLine(y), b.stride());
    return b;
}

// The sample's largest picture, or a generated one of the same size when the sample album
// has not been built.
const Bitmap24& LargestPicture() {
    static const Bitmap24 picture = [] {
        const QImage decoded(SamplePicture());
        if (!decoded.isNull())
            return ToBitmap(decoded);
        Bitmap24 b(6000, 4000);
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) {
                std::uint8_t* p = b.row(y) + std::size_t(x) * 3;
                p[0] = std::uint8_t(x / 24), p[1] = std::uint8_t(y / 16),
                p[2] = std::uint8_t((x ^ y) & 255);
            }
        return b;
    }();
    return picture;
}

void DrawSpread(benchmark::State& state) {
    App();
    const int splitMode = int(state.range(0));
    const bool clean = state.range(1) != 0;
    folivex::AlbumState album;
    album.pictureFolder = "/sample/";
    album.page.splitMode = splitMode;
    album.page.currentPage = 1;
    album.clearImage = clean;
    folivex::PictureList pictures;
    for (int i = 0; i < 4; ++i) {
        folivex::PictureList::Row row{"IMG009.JPG", "大きな写真：遠くの山並み", ""};
        if (i == 0)
            pictures.MutableAt(1) = row;
        else
            pictures.Append(row);
    }
    std::vector<Bitmap24> ready;
    folivex::BookRenderer renderer(album, pictures, [&ready](const std::string&) {
        Bitmap24 b = std::move(ready.back());
        ready.pop_back();
        return b;
    });
    const folivex::PictureRect book = folivex::OpenBookRect(1024, 768, album.bookScale);
    const QSize page(folivex::OpenPageWidth(book.width), book.height);
    const int slotCount = splitMode == 1 ? 4 : 2;
    for (auto _ : state) {
        state.PauseTiming();
        ready.assign(std::size_t(slotCount), LargestPicture());
        state.ResumeTiming();
        benchmark::DoNotOptimize(renderer.DrawSpread(page));
    }
    state.counters["pictures"] = slotCount;
    state.SetLabel(std::string(splitMode == 1 ? "4-split" : "2-split") +
                   (clean ? " clean" : " plain"));
}
BENCHMARK(DrawSpread)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

void Decode(benchmark::State& state) {
    const QString path = SamplePicture();
    if (QImage(path).isNull()) {
        state.SkipWithError("sample album not built");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ToBitmap(QImage(path)));
    state.SetLabel("IMG009.JPG 6000x4000 with Qt's JPEG reader");
}
BENCHMARK(Decode)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
