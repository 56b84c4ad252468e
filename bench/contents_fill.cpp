// Speed of the contents page: listing a folder of 10,000 files into the grid, and
// building the thumbnail cache of 200 photos of 1920 x 1280.
#include "contents/PageListGrid.h"
#include "contents/PictureRows.h"
#include "contents/ThumbnailCache.h"
#include "contents/ThumbnailImage.h"
#include "core/Error.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

namespace folivex {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_contents_fill";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

// 10,000 empty files with mixed-case names in shuffled order, some not pictures.
const std::string& FolderOf10000() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        std::string folder = dir.path().toStdString() + "/";
        std::vector<int> order(10000);
        for (int i = 0; i < 10000; ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(7));
        for (int i : order) {
            char name[32];
            const char* ext = i % 10 == 0 ? "txt" : (i % 3 == 0 ? "JPG" : "jpg");
            std::snprintf(name, sizeof name, "%s%05d.%s", i % 2 ? "img_" : "IMG_", i, ext);
            std::ofstream(folder + name);
        }
        return folder;
    }();
    return path;
}

// A photo-like picture: smooth gradients with texture, so its JPEG has a realistic size.
Bitmap24 Photo(int w, int h, int seed) {
    Bitmap24 p(w, h);
    std::mt19937 rng{unsigned(seed)};
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = p.row(y);
        for (int x = 0; x < w; ++x) {
            const int noise = int(rng() % 24);
            row[x * 3] = std::uint8_t((x / 8 + seed * 13 + noise) & 0xFF);
            row[x * 3 + 1] = std::uint8_t((y / 5 + noise) & 0xFF);
            row[x * 3 + 2] = std::uint8_t(((x + y) / 11 + seed * 7) & 0xFF);
        }
    }
    return p;
}

const std::string& FolderOf200Photos() {
    static QTemporaryDir dir;
    static const std::string path = [] {
        std::string folder = dir.path().toStdString() + "/";
        for (int i = 0; i < 200; ++i) {
            const auto bytes = EncodeJpeg(Photo(1920, 1280, i), 90);
            char name[32];
            std::snprintf(name, sizeof name, "DSC%04d.jpg", i);
            std::ofstream(folder + name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        }
        return folder;
    }();
    return path;
}

void BM_FillFrom10000Files(benchmark::State& state) {
    App();
    const std::string folder = FolderOf10000();
    PictureList list;
    TPageListGrid grid(list);
    grid.resize(600, 400);
    grid.show();
    std::size_t rows = 0;
    for (auto _ : state) {
        FillPictureRows(list, ListFolderPictures(folder, {"*.bmp", "*.jpg", "*.jpeg"}));
        grid.Model().Refresh();
        QApplication::processEvents(); // lay out and paint the grid once
        rows = std::size_t(list.RowCount() - 1);
    }
    state.counters["pictures"] = double(rows);
    state.counters["seconds_per_fill"] = benchmark::Counter(
        double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FillFrom10000Files)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BuildCache200Photos(benchmark::State& state) {
    App();
    const std::string folder = FolderOf200Photos();
    QTemporaryDir cacheDir;
    PictureList list;
    FillPictureRows(list, ListFolderPictures(folder, {"*.jpg"}));
    const int size = int(state.range(0));
    int progress = 0;
    for (auto _ : state) {
        ThumbnailCache cache;
        cache.Build(
            list, folder, size, cacheDir.path().toStdString() + "/",
            [](const std::string&) -> Bitmap24 { throw Error("not a JPEG"); },
            [&](const QString&) { ++progress; });
    }
    state.counters["pictures_per_second"] =
        benchmark::Counter(double(state.iterations()) * 200, benchmark::Counter::kIsRate);
    state.counters["seconds_per_build"] = benchmark::Counter(
        double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BuildCache200Photos)->Arg(32)->Arg(128)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace folivex
