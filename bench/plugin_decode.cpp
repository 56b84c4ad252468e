// Decoding time of every picture in $FOLIVEX_FORMAT_FILES through the real plug-in host:
// the bundled plug-ins found by the host's search of the program folder, the picture
// delivered as a DIB and turned into the 24-bit picture the pages draw. One benchmark per
// file, named after it; bench/formats_peers.sh runs it beside Pillow on the same files.
#include "core/Error.h"
#include "loading/PictureLoader.h"
#include "loading/SPIBitmap.h"
#include "loading/SPIs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The host lives for the whole run: plug-ins stay loaded between benchmarks.
folivex::TSPIs& Host() {
    static std::unique_ptr<folivex::TSPIs> spis = [] {
        std::error_code ec;
        const fs::path build = fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path();
        auto host = std::make_unique<folivex::TSPIs>(
            folivex::TSPIPlaces{(build / "bin").string() + "/", ""});
        host->SearchOptions = {folivex::TSPISearchOption::spsAppDir};
        host->Search("*.spi");
        return host;
    }();
    return *spis;
}

void DecodeFile(benchmark::State& state, const std::string& path) {
    Host();
    folivex::TSPIBitmap bitmap;
    double megapixels = 0;
    for (auto _ : state) {
        try {
            folivex::Bitmap24 picture = folivex::LoadPicture24(path, bitmap);
            megapixels = double(picture.width) * picture.height / 1e6;
            benchmark::DoNotOptimize(picture.pixels.data());
        } catch (const folivex::Error& e) {
            state.SkipWithError(e.what()); // the table then shows no figure for this file
            break;
        }
    }
    state.counters["megapixels"] = megapixels;
}

std::vector<fs::path> FormatFiles() {
    std::vector<fs::path> files;
    const char* dir = std::getenv("FOLIVEX_FORMAT_FILES");
    std::error_code ec;
    if (dir && *dir)
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file())
                files.push_back(it->path());
    std::sort(files.begin(), files.end());
    return files;
}

// Registered before main runs, from the folder the environment names.
const bool registered = [] {
    for (const fs::path& file : FormatFiles())
        benchmark::RegisterBenchmark(file.filename().string().c_str(), DecodeFile, file.string())
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
