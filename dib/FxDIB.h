// The device-independent-bitmap graphic: a picture with its own pixel storage in one of
// six formats, read from and written to bitmap files, and converted between formats by
// the library's codecs, colour reductions and half-toning.
#pragma once

#include "dib/FxDIBTypes.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace folivex::dib {

// Pixel formats; the last two are conversion targets only (their results are 8 and
// 1 bit).
enum class FxPixelFormat : int {
    Bit1 = 0,
    Bit4 = 1,
    Bit4RLE = 2,
    Bit8 = 3,
    Bit8RLE = 4,
    Bit24 = 5,
    HalfTone = 6,
    HalfToneBW = 7,
};

enum class FxProgressStage { Starting, Running, Ending };
using FxProgressEvent =
    std::function<void(FxProgressStage stage, int percent, const std::string& message)>;

// How the picture registry knows this graphic.
struct FxPictureFormatInfo {
    std::string_view Extension;
    std::string_view Description;
};
constexpr FxPictureFormatInfo FxDIBRegistration() {
    return {"dib", "Device Independent Bitmap"};
}

// The format code of a record, from its bit count and compression.
FxPixelFormat PixelFormatOf(const FxDIBDesc& desc);

// The pixel data of one picture; several graphics may share it until one changes it.
class TFxInternalDIB {
public:
    TFxInternalDIB() = default;
    // Takes ownership of the record's pixel block.
    explicit TFxInternalDIB(const FxDIBDesc& owned) : desc_(owned) {}
    ~TFxInternalDIB() { ReleaseMemory(desc_); }
    TFxInternalDIB(const TFxInternalDIB&) = delete;
    TFxInternalDIB& operator=(const TFxInternalDIB&) = delete;

    const FxDIBDesc& Desc() const { return desc_; }
    int Width() const { return desc_.Header.biWidth; }
    int Height() const { return int(AbsHeight(desc_.Header.biHeight)); }

    // Takes a new record with its block; the old block is released.
    void Replace(const FxDIBDesc& owned);
    std::shared_ptr<TFxInternalDIB> Copy(bool section) const;

    // The palette handle: the colour table as the display uses it, made when first
    // asked for and dropped whenever the colours may have changed.
    const std::vector<FxRGBQuad>& Palette();
    bool HasPalette() const { return hasPalette_; }
    void DropPalette();

private:
    FxDIBDesc desc_;
    std::vector<FxRGBQuad> palette_;
    bool hasPalette_ = false;
};

class TFxDIB {
public:
    TFxDIB() = default;
    // Copies share the pixel data; a change of format gives the changed one its own.
    TFxDIB(const TFxDIB& other);
    TFxDIB& operator=(const TFxDIB& other);

    void LoadFromStream(std::istream& in);
    void SaveToStream(std::ostream& out) const;
    // Takes a copy of the record and its pixels.
    void Assign(const FxDIBDesc& desc);

    bool Empty() const { return !internal_; }
    int Width() const;
    int Height() const;
    const FxDIBDesc& Desc() const;
    bool SharesPixelsWith(const TFxDIB& other) const { return internal_ == other.internal_; }
    const TFxInternalDIB* Internal() const { return internal_.get(); }

    FxPixelFormat PixelFormat() const;
    // Converts the picture; on failure it keeps its old pixels and format.
    void SetPixelFormat(FxPixelFormat target);

    // 0 low (histogram), 1 high (pixel split); used by reductions from 24 bits.
    int Quality = 0;
    // The colour that conversions to 1 bit mark: 0x00BBGGRR, or a system colour
    // 0x80000000 + n resolved through SystemColorResolver.
    std::uint32_t KeyColor = 0;
    // Pixel memory from anonymous mappings rather than the heap.
    bool UseSection = false;
    bool PaletteModified = false;

    std::function<void()> OnChange;
    FxProgressEvent OnProgress;
    std::function<std::uint32_t(std::uint32_t)> SystemColorResolver;

private:
    FxRGB ResolvedKeyColor() const;
    void Changed();

    std::shared_ptr<TFxInternalDIB> internal_;
};

} // namespace folivex::dib
