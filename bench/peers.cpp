// The program's side of bench/peers.sh, which runs the same work through Pillow on the
// same files and prints both. It reads the photos that peers_photos.py wrote into
// $FOLIVEX_PEERS_DIR (big/P0..P3.jpg, 6000 x 4000; small/DSC*.jpg, 1920 x 1280; camera/,
// the small ones with a camera's EXIF thumbnail) and skips every figure when they are
// missing. Each spread figure reports the box its
// pictures were fitted into, so that Pillow reduces into exactly the same boxes.
#include "bench/OffscreenApp.h"
#include "contents/PictureRows.h"
#include "contents/ThumbnailCache.h"
#include "core/Error.h"
#include "loading/JpegDecoder.h"
#include "loading/PagePictures.h"
#include "loading/PictureLoader.h"
#include "loading/ZoomOut.h"
#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace folivex {
namespace {

QGuiApplication& App() {
    return folivex::bench::OffscreenApp();
}

std::string PhotoFolder(const char* set) {
    const char* root = std::getenv("FOLIVEX_PEERS_DIR");
    if (root == nullptr || *root == '\0')
        return {};
    const std::string folder = std::string(root) + "/" + set + "/";
    return std::filesystem::exists(folder + ".complete") ? folder : std::string();
}

// A folder of `count` names P0.jpg... linked to the big photos in turn, so that a turn's
// spreads hold different files (the pipeline keeps pictures by path); made once.
std::string LinkedPhotos(int count) {
    // Removed when the run ends.
    static const struct Links {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("folivex-peers-" + std::to_string(getpid()));
        ~Links() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } links;
    const std::string big = PhotoFolder("big");
    const std::string folder = links.path.string() + "/";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        const std::string link = folder + "P" + std::to_string(i) + ".jpg";
        std::error_code ec;
        if (!std::filesystem::exists(link))
            std::filesystem::create_symlink(big + "P" + std::to_string(i % 4) + ".jpg", link, ec);
    }
    return folder;
}

PictureList PhotoList(int count) {
    PictureList pictures;
    for (int i = 0; i < count; ++i) {
        PictureList::Row row{"P" + std::to_string(i) + ".jpg", "", ""};
        if (i == 0)
            pictures.MutableAt(1) = row;
        else
            pictures.Append(row);
    }
    return pictures;
}

// kB from a /proc/self/status line such as "VmHWM:  12345 kB".
long StatusKilobytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::string(key).size());
    }
    return 0;
}

// One open spread of the big photos, cold: every picture read and decoded again.
void Spread(benchmark::State& state) {
    App();
    const std::string folder = PhotoFolder("big");
    if (folder.empty()) {
        state.SkipWithError("photos not made (FOLIVEX_PEERS_DIR)");
        return;
    }
    const int windowWidth = int(state.range(0)), windowHeight = int(state.range(1));
    const int splitMode = int(state.range(2));
    AlbumState album;
    album.pictureFolder = folder;
    album.page.splitMode = splitMode;
    album.page.currentPage = 1;
    album.clearImage = true;
    const int slotCount = splitMode == 1 ? 4 : 2;
    const PictureList pictures = PhotoList(slotCount);
    const PictureRect book = OpenBookRect(windowWidth, windowHeight, album.bookScale);
    const QSize page(OpenPageWidth(book.width), book.height);
    const long before = StatusKilobytes("VmRSS:");
    for (auto _ : state) {
        PagePictures source; // as the window has it, but cold: nothing kept yet
        BookRenderer renderer(album, pictures, source);
        benchmark::DoNotOptimize(renderer.DrawSpread(page));
    }
    state.counters["box_w"] = album.pictureBox.width;
    state.counters["box_h"] = album.pictureBox.height;
    state.counters["pictures"] = slotCount;
    state.counters["rss_before_kB"] = double(before);
    state.counters["peak_rss_kB"] = double(StatusKilobytes("VmHWM:"));
}
BENCHMARK(Spread)
    ->Name("Spread4Split1024x768")
    ->Args({1024, 768, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(Spread)
    ->Name("Spread2Split1920x1080")
    ->Args({1920, 1080, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// Run alone in a fresh process (peers.sh does), so that the peak is this turn's.
BENCHMARK(Spread)
    ->Name("Memory4SplitTurn")
    ->Args({1024, 768, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A turn to a spread the window prepared ahead while the last one was shown: the time
// from the key to the new spread's buffers, the animation left out.
void PrefetchedTurn(benchmark::State& state) {
    App();
    if (PhotoFolder("big").empty()) {
        state.SkipWithError("photos not made (FOLIVEX_PEERS_DIR)");
        return;
    }
    AlbumState album;
    album.pictureFolder = LinkedPhotos(8);
    album.page.splitMode = 1;
    album.clearImage = true;
    const PictureList pictures = PhotoList(8);
    const PictureRect book = OpenBookRect(1024, 768, album.bookScale);
    const QSize page(OpenPageWidth(book.width), book.height);
    int decodesOnTurn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PagePictures source;
        BookRenderer renderer(album, pictures, source);
        album.page.currentPage = 1;
        renderer.DrawSpread(page);
        renderer.PrefetchAround(page);
        source.WaitIdle();
        const int before = source.Stats().decodesOnOwner;
        album.page.currentPage = 5;
        state.ResumeTiming();
        benchmark::DoNotOptimize(renderer.DrawSpread(page));
        state.PauseTiming();
        decodesOnTurn += source.Stats().decodesOnOwner - before;
        state.ResumeTiming();
    }
    state.counters["ui_thread_decodes"] = decodesOnTurn;
}
// A fixed count: each iteration's untimed preparation decodes eight photos.
BENCHMARK(PrefetchedTurn)
    ->Name("PrefetchedTurn4Split1024x768")
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void Scaler(benchmark::State& state) {
    const std::string folder = PhotoFolder("big");
    if (folder.empty()) {
        state.SkipWithError("photos not made (FOLIVEX_PEERS_DIR)");
        return;
    }
    const Bitmap24 source = DecodeJpegFile(folder + "P0.jpg");
    const double factor = 430.0 / source.width;
    Bitmap24 picture;
    for (auto _ : state) {
        state.PauseTiming();
        picture = source;
        state.ResumeTiming();
        ZoomOutBitmap(picture, factor);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["box_w"] = picture.width;
    state.counters["box_h"] = picture.height;
}
BENCHMARK(Scaler)->Name("CleanScaler6000x4000")->Unit(benchmark::kMillisecond)->UseRealTime();

void ThumbnailCacheBuild(benchmark::State& state, const char* set) {
    App();
    const std::string folder = PhotoFolder(set);
    if (folder.empty()) {
        state.SkipWithError("photos not made (FOLIVEX_PEERS_DIR)");
        return;
    }
    const std::string cacheFolder = QDir::tempPath().toStdString() + "/folivex-peers-cache/";
    std::filesystem::create_directories(cacheFolder);
    PictureList list;
    FillPictureRows(list, ListFolderPictures(folder, {"*.jpg"}));
    for (auto _ : state) {
        ThumbnailCache cache;
        cache.Build(
            list, folder, 128, cacheFolder,
            [](const std::string&) -> Bitmap24 { throw Error("not a JPEG"); }, nullptr);
    }
    state.counters["pictures"] = list.RowCount() - 1;
    std::filesystem::remove_all(cacheFolder);
}
// The same photos without and with the small copy that cameras embed in their EXIF block.
BENCHMARK_CAPTURE(ThumbnailCacheBuild, plain, "small")
    ->Name("ThumbnailCache200x128")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ThumbnailCacheBuild, camera, "camera")
    ->Name("ThumbnailCacheCamera200x128")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace folivex
