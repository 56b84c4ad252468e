// Decoding speed of the JPEG reader on the sample album's largest JPEG, in megapixels per
// second. The album is looked for in $FOLIVEX_SAMPLE_DIR, else in <build>/sample beside
// this program's folder; without it a synthetic 12-megapixel photo stands in.
#include "loading/JpegDecoder.h"
#include "loading/PictureFile.h"
#include "loading/SPIs.h"
#include "tests/loading/JpegEncode.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

fs::path SampleFolder() {
    if (const char* dir = std::getenv("FOLIVEX_SAMPLE_DIR"); dir && *dir)
        return dir;
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "sample";
}

// The largest JPEG file of the sample album, or an empty path.
fs::path LargestSampleJpeg() {
    fs::path best;
    std::uintmax_t bestSize = 0;
    std::error_code ec;
    for (fs::directory_iterator it(SampleFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string ext = folivex::UpperCaseAscii(it->path().extension().string());
        std::error_code sizeError;
        const std::uintmax_t size = it->file_size(sizeError);
        if ((ext == ".JPG" || ext == ".JPEG") && !sizeError && size > bestSize) {
            best = it->path();
            bestSize = size;
        }
    }
    return best;
}

// A photo-like picture: smooth shading with fine texture, so the coder has real work.
std::vector<std::uint8_t> SyntheticJpeg() {
    folivex::Bitmap24 p(4000, 3000);
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            std::uint8_t* px = p.row(y) + x * 3;
            px[0] = std::uint8_t(x * 255 / p.width);
            px[1] = std::uint8_t(y * 255 / p.height);
            px[2] = std::uint8_t((x * 7 + y * 13) ^ (x * y));
        }
    }
    return folivex::test::EncodeJpeg(p, 90);
}

void BM_DecodeJpeg(benchmark::State& state) {
    const fs::path sample = LargestSampleJpeg();
    const std::vector<std::uint8_t> data =
        sample.empty() ? SyntheticJpeg() : folivex::ReadWholeFile(sample.string());
    std::fprintf(stderr, "decoding %s (%zu bytes)\n",
                 sample.empty() ? "a synthetic 4000 x 3000 photo" : sample.c_str(), data.size());
    double megapixels = 0;
    for (auto _ : state) {
        folivex::Bitmap24 picture = folivex::DecodeJpeg(data);
        megapixels = double(picture.width) * picture.height / 1e6;
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["megapixels"] = megapixels;
    state.counters["MP/s"] =
        benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);

} // namespace
