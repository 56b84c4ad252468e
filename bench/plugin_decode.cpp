// Decoding time of every picture in $FOLIVEX_FORMAT_FILES through the real plug-in host:
// the bundled plug-ins found by the host's search of the program folder, the picture
// delivered as a DIB and turned into the 24-bit picture the pages draw. One benchmark per
// file, named after it, with the resident memory one plug-in decode of it adds at its peak
// (decode_peak_MiB); bench/formats_peers.sh runs it beside Pillow on the same files.
#include "core/Error.h"
#include "loading/PictureLoader.h"
#include "loading/SPIBitmap.h"
#include "loading/SPIs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
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

// ---- resident memory ----

// A field of /proc/self/status in KiB (VmRSS now, VmHWM its peak); 0 when unreadable.
double StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::strtod(line.c_str() + field.size() + 1, nullptr);
    return 0;
}

// Starts the peak over from what the process holds now (Linux: clear_refs 5).
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    return bool(clear << "5" << std::flush);
}

// How far one plug-in decode of the file, held in memory already, raises the resident
// memory at its peak (MiB): the bitmap handed back, the plug-in's working rows and what
// its library holds meanwhile; not the host's page picture made from it afterwards.
double PlugInDecodePeakMiB(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::vector<char> head(2048, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), head.size()), head.begin());
    std::vector<folivex::TSPI*> candidates;
    Host().FindPlugIns<folivex::TInSPI>(candidates, path);
    for (folivex::TSPI* candidate : candidates) {
        auto& spi = static_cast<folivex::TInSPI&>(*candidate);
        if (!spi.IsSupported(path.c_str(), head.data()))
            continue;
        HLOCAL info = nullptr, bits = nullptr;
        if (!ResetPeak())
            return 0;
        const double before = StatusKiB("VmRSS");
        const int32_t result =
            spi.GetPicture(bytes.data(), intptr_t(bytes.size()), 1, &info, &bits, nullptr, 0);
        const double peak = StatusKiB("VmHWM");
        LocalFree(info);
        LocalFree(bits);
        return result == 0 ? (peak - before) / 1024 : 0;
    }
    return 0;
}

// Measured once per file, before any timed decode: memory that the allocator keeps from
// one decode would hide the next one's. Meaningful in a process that decodes only this file
// (bench/formats_peers.sh runs one per file for it).
double DecodePeakMiB(const std::string& path) {
    static std::map<std::string, double> peaks;
    auto [it, fresh] = peaks.try_emplace(path, 0);
    if (fresh)
        it->second = PlugInDecodePeakMiB(path);
    return it->second;
}

void DecodeFile(benchmark::State& state, const std::string& path) {
    Host();
    DecodePeakMiB(path);
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
    state.counters["decode_peak_MiB"] = DecodePeakMiB(path);
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
