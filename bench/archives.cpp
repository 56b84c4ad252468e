// Albums read from archives beside the same photos in a plain folder, in the same run:
// the thumbnail cache build, a walk backward through every 4-split spread, a scroll-bar
// jump to the last spread and back, each from a cold shelf and pipeline; and the listing
// of a 100,000-entry .tar.gz through the contents page, with the longest time the UI
// thread went without running a 10 ms timer. The files are made by bench/archives.sh
// into $FOLIVEX_ARCHIVES_DIR: photos/ (100 JPEGs of 1920 x 1280), photos.cbz,
// photos.cb7 (solid LZMA2) and many.tar.gz.
#include "contents/ContentsPage.h"
#include "contents/PictureRows.h"
#include "contents/ThumbnailCache.h"
#include "core/Error.h"
#include "loading/Archive.h"
#include "loading/PagePictures.h"
#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <QApplication>
#include <QFont>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <sys/resource.h>

namespace folivex {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_archives";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* a = new QApplication(argc, argv);
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
        return a;
    }();
    return *app;
}

enum Source { kFolder, kCbz, kCb7 };

std::string DataDir() {
    const char* dir = std::getenv("FOLIVEX_ARCHIVES_DIR");
    return dir ? std::string(dir) + "/" : std::string();
}

std::string PictureFolderOf(Source source) {
    const std::string dir = DataDir();
    switch (source) {
    case kFolder:
        return dir + "photos/";
    case kCbz:
        return dir + "photos.cbz/";
    case kCb7:
        return dir + "photos.cb7/";
    }
    return {};
}

double PeakRssKb() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss);
}

// The album as the contents page lists it, from a cold shelf.
PictureList ListCold(const std::string& folder) {
    ArchiveShelf::Shared().Forget();
    PictureList list;
    FillPictureRows(list, ListPictures(folder, {"*.jpg"}).names);
    return list;
}

bool HaveData(benchmark::State& state, const PictureList& list) {
    if (list.RowCount() > 1)
        return true;
    state.SkipWithError("no photos: run bench/archives.sh, or set FOLIVEX_ARCHIVES_DIR");
    return false;
}

void ThumbnailCacheBuild(benchmark::State& state, Source source) {
    App();
    const std::string folder = PictureFolderOf(source);
    QTemporaryDir cacheDir;
    int pictures = 0;
    for (auto _ : state) {
        const PictureList list = ListCold(folder);
        if (!HaveData(state, list))
            return;
        ThumbnailCache cache;
        cache.Build(
            list, folder, 128, cacheDir.path().toStdString() + "/",
            [](const std::string&) -> Bitmap24 { throw Error("not a JPEG"); },
            [](const QString&) {});
        pictures = cache.Count();
    }
    state.counters["pictures"] = pictures;
    state.counters["peak_rss_kB"] = PeakRssKb();
}

struct Book {
    AlbumState state;
    QSize page;
    int lastSpread = 1;
    explicit Book(Source source, int rows) {
        state.pictureFolder = PictureFolderOf(source);
        state.page.splitMode = 1;
        state.clearImage = true;
        const PictureRect open = OpenBookRect(1024, 768, state.bookScale);
        page = QSize(OpenPageWidth(open.width), open.height);
        lastSpread = 1 + (rows - 2) / 4 * 4;
    }
    void Show(BookRenderer& renderer, int first) {
        state.page.currentPage = first;
        benchmark::DoNotOptimize(renderer.DrawSpread(page));
        renderer.PrefetchAround(page);
    }
};

// Backspace from the last spread to the first, each spread prepared around as the
// window does.
void WalkBackward(benchmark::State& state, Source source) {
    App();
    int spreads = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const PictureList list = ListCold(PictureFolderOf(source));
        if (!HaveData(state, list))
            return;
        Book book(source, list.RowCount());
        state.ResumeTiming();
        PagePictures pictures;
        BookRenderer renderer(book.state, list, pictures);
        spreads = 0;
        for (int first = book.lastSpread; first >= 1; first -= 4, ++spreads)
            book.Show(renderer, first);
    }
    state.counters["spreads"] = spreads;
    state.counters["peak_rss_kB"] = PeakRssKb();
}

// The album open at its first spread; the scroll bar dragged to the last spread, then
// back to the first. A jump drops what was being prepared ahead.
void ScrollJump(benchmark::State& state, Source source) {
    App();
    for (auto _ : state) {
        state.PauseTiming();
        const PictureList list = ListCold(PictureFolderOf(source));
        if (!HaveData(state, list))
            return;
        Book book(source, list.RowCount());
        auto pictures = std::make_unique<PagePictures>();
        auto renderer = std::make_unique<BookRenderer>(book.state, list, *pictures);
        book.Show(*renderer, 1);
        state.ResumeTiming();
        for (int first : {book.lastSpread, 1}) {
            renderer->CancelPrefetch();
            book.Show(*renderer, first);
        }
        state.PauseTiming();
        renderer.reset();
        pictures.reset();
        state.ResumeTiming();
    }
    state.counters["peak_rss_kB"] = PeakRssKb();
}

// Ticks every 10 ms on the UI thread and keeps the longest gap between two ticks.
class GapMeter {
public:
    GapMeter() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        longest_ = 0;
        last_ = Clock::now();
        timer_.start();
    }
    double Stop() {
        Tick();
        timer_.stop();
        return longest_;
    }

private:
    using Clock = std::chrono::steady_clock;
    void Tick() {
        const auto now = Clock::now();
        longest_ =
            std::max(longest_, std::chrono::duration<double, std::milli>(now - last_).count());
        last_ = now;
    }
    QTimer timer_;
    Clock::time_point last_;
    double longest_ = 0;
};

// The contents page lists the archive on a worker, as a command-line or tree choice does.
void ListingThroughThePage(benchmark::State& state) {
    App();
    AlbumState album;
    PictureList pictures;
    Settings settings;
    QTemporaryDir cacheDir;
    ContentsConfig config;
    config.cacheFolder = cacheDir.path().toStdString() + "/";
    ContentsPage page(album, pictures, settings, {}, config);
    page.resize(600, 400);
    page.show();
    GapMeter meter;
    double longest = 0;
    for (auto _ : state) {
        ArchiveShelf::Shared().Forget();
        meter.Start();
        page.OpenFolder(DataDir() + "many.tar.gz");
        longest = std::max(longest, meter.Stop());
    }
    state.counters["entries"] = pictures.RowCount() - 1;
    state.counters["longest_ui_gap_ms"] = longest;
    state.counters["peak_rss_kB"] = PeakRssKb();
}

// The same listing on the UI thread, as it ran before: the timer waits for all of it.
void ListingOnTheUiThread(benchmark::State& state) {
    App();
    GapMeter meter;
    double longest = 0;
    std::size_t entries = 0;
    for (auto _ : state) {
        ArchiveShelf::Shared().Forget();
        meter.Start();
        entries = ListPictures(DataDir() + "many.tar.gz/", {"*.jpg"}).names.size();
        QCoreApplication::processEvents();
        longest = std::max(longest, meter.Stop());
    }
    state.counters["entries"] = double(entries);
    state.counters["longest_ui_gap_ms"] = longest;
    state.counters["peak_rss_kB"] = PeakRssKb();
}

// Each source alike: one cold run an iteration, repeated by the script.
#define FOLIVEX_PER_SOURCE(fn)                                                                     \
    BENCHMARK_CAPTURE(fn, Folder, kFolder)                                                         \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Iterations(1);                                                                           \
    BENCHMARK_CAPTURE(fn, Cbz, kCbz)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1); \
    BENCHMARK_CAPTURE(fn, Cb7, kCb7)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)

FOLIVEX_PER_SOURCE(ThumbnailCacheBuild);
FOLIVEX_PER_SOURCE(WalkBackward);
FOLIVEX_PER_SOURCE(ScrollJump);
BENCHMARK(ListingThroughThePage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(ListingOnTheUiThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
} // namespace folivex
