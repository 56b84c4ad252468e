// Speed of the clean reduction on pictures already decoded: a camera-sized picture and a
// smaller one reduced to a 430-pixel-wide page slot, keeping the aspect ratio. The counter
// "src_MP/s" is source megapixels reduced per second.
#include "loading/ZoomOut.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

namespace {

// Smooth gradients with a little noise, like a photograph; the filter has no
// data-dependent branches, so the content only has to be plausible.
folivex::Bitmap24 Photo(int width, int height) {
    folivex::Bitmap24 picture(width, height);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.row(y);
        for (int x = 0; x < width; ++x) {
            const unsigned noise = random() & 15;
            row[3 * x] = std::uint8_t((x * 200 / width) + noise);
            row[3 * x + 1] = std::uint8_t((y * 200 / height) + noise);
            row[3 * x + 2] = std::uint8_t(((x + y) * 100 / (width + height)) + noise);
        }
    }
    return picture;
}

void ZoomOutToSlot(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = int(state.range(1));
    const double factor = 430.0 / width;
    const folivex::Bitmap24 source = Photo(width, height);
    folivex::Bitmap24 picture;
    for (auto _ : state) {
        state.PauseTiming();
        picture = source;
        state.ResumeTiming();
        folivex::ZoomOutBitmap(picture, factor);
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["src_MP/s"] = benchmark::Counter(double(width) * height / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
    state.SetLabel(std::to_string(picture.width) + "x" + std::to_string(picture.height));
}

BENCHMARK(ZoomOutToSlot)->Args({6000, 4000})->Args({3000, 2000})->Unit(benchmark::kMillisecond);

} // namespace
