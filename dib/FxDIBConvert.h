// The converters of the DIB library. Each reads a source record, fills a destination
// record with a new pixel block (from GetMemory with the section flag) and leaves the
// source untouched; on failure the destination is unchanged and nothing leaks.
#pragma once

#include "dib/FxDIBTypes.h"

#include <vector>

namespace folivex::dib {

// Run-length codecs (BI_RLE8 and BI_RLE4). Decoders read only inside the source block.
void Convert8BitRLETo8BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void Convert4BitRLETo4BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void Convert8BitRGBTo8BitRLE(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void Convert4BitRGBTo4BitRLE(const FxDIBDesc& src, FxDIBDesc& dst, bool section);

// Colour reductions with the library's own palette builder.
void ConvertTrueColorTo8BitRGBLow(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                                  const FxProgressMethod& progress);
void ConvertTrueColorTo4BitRGBLow(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                                  const FxProgressMethod& progress);
void ConvertTrueColorTo8BitRGBHigh(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                                   const FxProgressMethod& progress);
void ConvertTrueColorTo4BitRGBHigh(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                                   const FxProgressMethod& progress);
void Convert8BitRGBTo4BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section,
                             const FxProgressMethod& progress);

// Two-colour masks: a pixel's bit is set when its colour equals the key colour.
void ConvertTrueColorTo1BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section, FxRGB key);
void Convert8BitTo1BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section, FxRGB key);
void Convert4BitRGBTo1BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section, FxRGB key);

// Widening converters: every pixel keeps its colour.
void Convert1BitRGBTo4BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void Convert1BitRGBTo8BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void Convert4BitRGBTo8BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void Convert1BitRGBToTrueColor(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void Convert4BitRGBToTrueColor(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void Convert8BitRGBToTrueColor(const FxDIBDesc& src, FxDIBDesc& dst, bool section);

// Error-diffusion half-toning to black and white (1 bit) or a fixed 215-colour palette.
void ConvertToHalfToneBW(const FxDIBDesc& src, FxDIBDesc& dst, bool section);
void ConvertToHalfTone(const FxDIBDesc& src, FxDIBDesc& dst, bool section);

// The palette builder's split over colour cells and over pixels, exposed for tests.
struct FxColorCell {
    std::int32_t Red = 0;
    std::int32_t Green = 0;
    std::int32_t Blue = 0;
    std::int32_t Weight = 0; // pixel count; after the split, the palette index
    std::int32_t Key = 0;    // position in the lookup table the cell came from
};

struct FxDivideNode {
    std::uint8_t Kind = 3; // 0 split on red, 1 green, 2 blue, 3 leaf
    long double Threshold = 0;
    std::uint8_t Index = 0; // palette index of a leaf
    std::int32_t Lower = 0; // child for values not above the threshold
    std::int32_t Upper = 0; // child for values above it
};

struct FxPaletteBuild {
    int Count = 0;
    std::array<FxRGBQuad, 256> Palette{};
};

void DivideCells(int lo, int hi, int depth, int maxDepth, FxPaletteBuild& palette,
                 std::vector<FxColorCell>& cells, const FxProgressMethod& progress);

struct FxDivideTree {
    std::vector<FxDivideNode> Nodes;
    int Counter = 1;
};

// Pixels are three bytes each: blue, green, red.
void DividePixels(std::int64_t lo, std::int64_t hi, int depth, int maxDepth,
                  FxPaletteBuild& palette, std::vector<std::uint8_t>& pixels, FxDivideTree& tree,
                  int node, const FxProgressMethod& progress);

} // namespace folivex::dib
