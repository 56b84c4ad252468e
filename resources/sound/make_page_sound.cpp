// Writes the page-turn sound: a quarter-second paper swish (band-limited noise under a
// quick rise and a slower fall), 22050 Hz, 16-bit mono PCM.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void Put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void PutTag(std::vector<unsigned char>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    constexpr int kRate = 22050;
    constexpr int kSamples = kRate / 4;
    std::vector<std::int16_t> samples(kSamples);
    std::uint32_t seed = 12345;
    double low = 0, band = 0;
    for (int i = 0; i < kSamples; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double white = double(seed >> 8) / double(1u << 24) * 2 - 1;
        low += 0.35 * (white - low); // drop the hiss
        band += 0.08 * (low - band); // and the rumble
        const double t = double(i) / kSamples;
        const double envelope = std::min(1.0, t * 12) * std::pow(1 - t, 2.2);
        const double swish = (low - band) * envelope * (0.7 + 0.3 * std::sin(t * 40));
        samples[std::size_t(i)] =
            std::int16_t(std::lround(std::clamp(swish * 2.2, -1.0, 1.0) * 20000));
    }
    std::vector<unsigned char> out;
    const std::uint32_t dataBytes = kSamples * 2;
    PutTag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, kRate);
    Put32(out, kRate * 2);
    Put16(out, 2);
    Put16(out, 16);
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (std::int16_t s : samples)
        Put16(out, std::uint16_t(s));
    FILE* f = std::fopen(argv[1], "wb");
    if (!f)
        return 1;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
