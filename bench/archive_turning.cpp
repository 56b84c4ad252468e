// Turning through an album of 24-megapixel photos kept in a cbz, beside the same photos in
// a folder, in the same run: every spread of a 4-split book in a 1024 x 768 window drawn
// in order, cleanly, with the spreads around each prepared ahead as the window does, from
// a cold pipeline each time. The photos are the side-by-side benchmarks' large ones
// ($FOLIVEX_PEERS_DIR/big, made by bench/peers.sh), each listed twice so that a turn has
// two spreads of different files.
#include "loading/PagePictures.h"
#include "tests/support/ArchiveMaker.h"
#include "view/BookLayout.h"
#include "view/BookRenderer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using folivex::AlbumState;
using folivex::PictureList;

struct Album {
    fs::path root;       // removed at the end of the run
    std::string folder;  // the photos, each under two names
    std::string archive; // the same files in a stored zip (photos do not compress)
    PictureList pictures;
    ~Album() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Made once per run in the temporary folder; empty when the photos are missing.
const Album* TheAlbum() {
    static const std::unique_ptr<Album> album = []() -> std::unique_ptr<Album> {
        const char* peers = std::getenv("FOLIVEX_PEERS_DIR");
        std::vector<fs::path> photos;
        std::error_code ec;
        if (peers && *peers)
            for (fs::directory_iterator it(fs::path(peers) / "big", ec), end; !ec && it != end;
                 it.increment(ec))
                if (it->path().extension() == ".jpg")
                    photos.push_back(it->path());
        if (photos.empty())
            return nullptr;
        std::sort(photos.begin(), photos.end());
        auto a = std::make_unique<Album>();
        a->root = fs::temp_directory_path() / ("folivex-turning-" + std::to_string(getpid()));
        fs::create_directories(a->root / "photos");
        a->folder = (a->root / "photos").string() + "/";
        a->archive = (a->root / "photos.cbz").string();
        std::vector<folivex::test::ArchiveItem> items;
        int n = 0;
        for (int copy = 0; copy < 2; ++copy)
            for (const fs::path& photo : photos) {
                const std::string name = "p" + std::to_string(++n) + ".jpg";
                fs::copy_file(photo, a->folder + name, fs::copy_options::overwrite_existing);
                items.push_back({name, ReadAll(photo)});
                if (n == 1)
                    a->pictures.MutableAt(1) = {name, "", ""};
                else
                    a->pictures.Append({name, "", ""});
            }
        folivex::test::WriteArchiveFile(
            a->archive, folivex::test::MakeArchive(folivex::test::ArchiveKind::ZipStored, items));
        return a;
    }();
    return album.get();
}

void TurnThrough(benchmark::State& state, bool fromArchive) {
    const Album* album = TheAlbum();
    if (!album) {
        state.SkipWithError("no photos: run bench/peers.sh, or set FOLIVEX_PEERS_DIR");
        return;
    }
    AlbumState book;
    book.pictureFolder = fromArchive ? album->archive + "/" : album->folder;
    book.page.splitMode = 1;
    book.clearImage = true;
    const folivex::PictureRect open = folivex::OpenBookRect(1024, 768, book.bookScale);
    const QSize page(folivex::OpenPageWidth(open.width), open.height);
    for (auto _ : state) {
        folivex::PagePictures pictures; // cold: nothing cached, nothing prepared
        folivex::BookRenderer renderer(book, album->pictures, pictures);
        for (int first = 1; first < album->pictures.RowCount(); first += 4) {
            book.page.currentPage = first;
            benchmark::DoNotOptimize(renderer.DrawSpread(page));
            renderer.PrefetchAround(page);
        }
    }
    state.counters["spreads"] = double((album->pictures.RowCount() - 1 + 3) / 4);
}

BENCHMARK_CAPTURE(TurnThrough, Folder, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(TurnThrough, Cbz, true)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
