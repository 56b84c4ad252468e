// Error-diffusion half-toning of the DIB library: black and white, or colour over a
// fixed 6 x 7 x 5 palette. Rows run in alternating directions; each pixel passes 29/32
// of its error on with the weights 12 (same row), 12 (row above) and 5 (row above,
// one step back in scan direction).
#include "dib/FxDIBConvert.h"
#include "dib/FxDIBError.h"
#include "dib/FxDIBPixel.h"

#include <algorithm>

namespace folivex::dib {
namespace {

using ErrorEntry = std::array<std::int16_t, 3>; // red, green, blue

constexpr std::uint8_t kRedLevels[6] = {0, 51, 102, 153, 204, 255};
constexpr std::uint8_t kGreenLevels[7] = {0, 43, 85, 128, 171, 214, 255};
constexpr std::uint8_t kBlueLevels[5] = {0, 64, 128, 192, 255};

// Lowest corrected value of each level above the first: where the choice switches.
constexpr int kRedSwitch[5] = {26, 77, 128, 179, 231};
constexpr int kGreenSwitch[6] = {22, 64, 107, 150, 193, 234};
constexpr int kBlueSwitch[4] = {32, 96, 160, 224};

// The choice tables cover the corrected values -256 to 512; values beyond are taken as
// the nearest end.
constexpr int kTableLow = -256;
constexpr int kTableHigh = 512;

template <std::size_t N> int ChooseLevel(int corrected, const int (&switches)[N]) {
    int level = 0;
    for (int s : switches)
        if (corrected >= s)
            ++level;
    return level;
}

// One colour: the chosen output and its error, from the corrected channels.
struct Choice {
    std::uint8_t index = 0; // bit value (BW) or palette index (colour)
    int chosen[3] = {};
};

Choice ChooseBW(const int (&corrected)[3]) {
    Choice c;
    const bool white = corrected[0] + corrected[1] + corrected[2] >= 384;
    c.index = white ? 1 : 0;
    for (int& v : c.chosen)
        v = white ? 255 : 0;
    return c;
}

Choice ChooseColor(int (&corrected)[3]) {
    for (int& v : corrected)
        v = std::clamp(v, kTableLow, kTableHigh);
    const int r = ChooseLevel(corrected[0], kRedSwitch);
    const int g = ChooseLevel(corrected[1], kGreenSwitch);
    const int b = ChooseLevel(corrected[2], kBlueSwitch);
    Choice c;
    c.index = std::uint8_t(35 * r + 5 * g + b);
    c.chosen[0] = kRedLevels[r];
    c.chosen[1] = kGreenLevels[g];
    c.chosen[2] = kBlueLevels[b];
    return c;
}

std::array<FxRGBQuad, 256> HalfTonePalette() {
    std::array<FxRGBQuad, 256> palette{};
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 5; ++b)
                palette[std::size_t(35 * r + 5 * g + b)] =
                    FxRGBQuad{kBlueLevels[b], kGreenLevels[g], kRedLevels[r], 0};
    const FxRGBQuad extra[5] = {
        {0, 0, 128, 0}, {0, 128, 128, 0}, {128, 0, 128, 0}, {192, 192, 192, 0}, {128, 128, 128, 0}};
    std::copy(std::begin(extra), std::end(extra), palette.begin() + 210);
    return palette;
}

void HalfTone(const FxDIBDesc& src, FxDIBDesc& dst, bool section, bool color,
              std::string_view name) {
    const int bits = src.Header.biBitCount;
    FxAssert(src.Header.biCompression == kBiRgb, Message(name, "Invalid DIB Format"));
    FxAssert(bits == 1 || bits == 4 || bits == 8 || bits == 24, Message(name, "Invalid Bit Count"));
    RequireRows(src, name);
    const std::int64_t width = src.Header.biWidth;
    const std::int64_t rows = AbsHeight(src.Header.biHeight);
    const int outBits = color ? 8 : 1;
    const std::int64_t stride = RowStride(width, outBits);
    PixelBlock block(CheckedBlockSize(stride, rows, name), section);
    std::vector<ErrorEntry> current(std::size_t(width + 2));
    std::vector<ErrorEntry> previous(std::size_t(width + 2));
    for (std::int64_t y = 0; y < rows; ++y) {
        previous = current;
        int running[3] = {};
        const bool forward = y % 2 == 0;
        const std::uint8_t* in = SourceRow(src, y);
        std::uint8_t* out = block.Bits() + y * stride;
        for (std::int64_t k = 0; k < width; ++k) {
            const std::int64_t x = forward ? k : width - 1 - k;
            const FxRGB rgb = PixelColor(src, in, x);
            const int channel[3] = {rgb.Red, rgb.Green, rgb.Blue};
            const ErrorEntry& above = previous[std::size_t(x + 1)];
            const ErrorEntry& diagonal = previous[std::size_t(forward ? x : x + 2)];
            int corrected[3];
            for (int c = 0; c < 3; ++c) {
                const int e =
                    12 * above[std::size_t(c)] + 12 * running[c] + 5 * diagonal[std::size_t(c)];
                corrected[c] = channel[c] - e / 32;
            }
            const Choice choice = color ? ChooseColor(corrected) : ChooseBW(corrected);
            ErrorEntry& mine = current[std::size_t(x + 1)];
            for (int c = 0; c < 3; ++c) {
                running[c] = choice.chosen[c] - corrected[c];
                mine[std::size_t(c)] = std::int16_t(running[c]);
            }
            PutIndex(out, x, outBits, choice.index);
        }
    }
    if (color) {
        const std::array<FxRGBQuad, 256> palette = HalfTonePalette();
        dst = MakeOutput(src, block, 8, palette.data(), 215);
    } else {
        const FxRGBQuad bw[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        dst = MakeOutput(src, block, 1, bw, 2);
    }
}

} // namespace

void ConvertToHalfToneBW(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    HalfTone(src, dst, section, false, "ConvertToHalfToneBW");
}

void ConvertToHalfTone(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    HalfTone(src, dst, section, true, "ConvertToHalfTone");
}

} // namespace folivex::dib
