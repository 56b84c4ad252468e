// The device-independent-bitmap graphic: storage sharing, file access and the
// pixel-format setter that chains the library's converters.
#include "dib/FxDIB.h"

#include "dib/FxDIBConvert.h"
#include "dib/FxDIBError.h"
#include "dib/FxDIBFile.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <ostream>

namespace folivex::dib {

FxPixelFormat PixelFormatOf(const FxDIBDesc& desc) {
    const FxBitmapInfoHeader& h = desc.Header;
    switch (h.biBitCount) {
    case 1:
        return FxPixelFormat::Bit1;
    case 4:
        return h.biCompression == kBiRle4 ? FxPixelFormat::Bit4RLE : FxPixelFormat::Bit4;
    case 8:
        return h.biCompression == kBiRle8 ? FxPixelFormat::Bit8RLE : FxPixelFormat::Bit8;
    case 24:
        return FxPixelFormat::Bit24;
    default:
        throw EFxDIBBadDIBType("TFxDIB.GetPixelFormat: Invalid Bitcount");
    }
}

void TFxInternalDIB::Replace(const FxDIBDesc& owned) {
    ReleaseMemory(desc_);
    desc_ = owned;
    DropPalette();
}

std::shared_ptr<TFxInternalDIB> TFxInternalDIB::Copy(bool section) const {
    PixelBlock block(desc_.Size, section);
    if (desc_.Size > 0)
        std::memcpy(block.Bits(), desc_.Bits, std::size_t(desc_.Size));
    FxDIBDesc copy = desc_;
    block.MoveInto(copy);
    return std::make_shared<TFxInternalDIB>(copy);
}

const std::vector<FxRGBQuad>& TFxInternalDIB::Palette() {
    if (!hasPalette_) {
        const std::size_t used = std::min<std::uint32_t>(desc_.Header.biClrUsed, 256);
        palette_.assign(desc_.Colors.begin(), desc_.Colors.begin() + std::ptrdiff_t(used));
        hasPalette_ = true;
    }
    return palette_;
}

void TFxInternalDIB::DropPalette() {
    palette_.clear();
    hasPalette_ = false;
}

TFxDIB::TFxDIB(const TFxDIB& other)
    : Quality(other.Quality), KeyColor(other.KeyColor), UseSection(other.UseSection),
      SystemColorResolver(other.SystemColorResolver), internal_(other.internal_) {}

TFxDIB& TFxDIB::operator=(const TFxDIB& other) {
    if (this != &other) {
        internal_ = other.internal_;
        Changed();
    }
    return *this;
}

void TFxDIB::LoadFromStream(std::istream& in) {
    // A fresh record: a picture that shares the old one keeps it untouched.
    auto fresh = std::make_shared<TFxInternalDIB>(ReadDIB(in, UseSection));
    internal_ = std::move(fresh);
    Changed();
}

void TFxDIB::SaveToStream(std::ostream& out) const {
    FxAssert(internal_ != nullptr, "TFxDIB.SaveToStream: InternalDIB Should not be Nil");
    WriteDIB(out, internal_->Desc());
}

void TFxDIB::Assign(const FxDIBDesc& desc) {
    PixelBlock block(std::max(desc.Size, 0), UseSection);
    if (desc.Bits != nullptr && desc.Size > 0)
        std::memcpy(block.Bits(), desc.Bits, std::size_t(desc.Size));
    FxDIBDesc copy = desc;
    block.MoveInto(copy);
    internal_ = std::make_shared<TFxInternalDIB>(copy);
    Changed();
}

int TFxDIB::Width() const {
    return internal_ ? internal_->Width() : 0;
}
int TFxDIB::Height() const {
    return internal_ ? internal_->Height() : 0;
}

const FxDIBDesc& TFxDIB::Desc() const {
    FxAssert(internal_ != nullptr, "TFxDIB.GetPixelFormat: InternalDIB Should not be Nil");
    return internal_->Desc();
}

FxPixelFormat TFxDIB::PixelFormat() const {
    FxAssert(internal_ != nullptr, "TFxDIB.GetPixelFormat: InternalDIB Should not be Nil");
    return PixelFormatOf(internal_->Desc());
}

void TFxDIB::Changed() {
    if (OnChange)
        OnChange();
}

FxRGB TFxDIB::ResolvedKeyColor() const {
    std::uint32_t c = KeyColor;
    if ((c & 0xFF000000u) == 0x80000000u && SystemColorResolver)
        c = SystemColorResolver(c);
    return FxRGB{std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)};
}

namespace {

using Step = std::function<void(const FxDIBDesc&, FxDIBDesc&)>;
using Plain = void (*)(const FxDIBDesc&, FxDIBDesc&, bool);

constexpr const char* kFormatError = "TFxIntenalDIB.SetPixelsFormat: PixelFormat Error";

struct ChainSettings {
    int quality;
    FxRGB key;
    bool section;
    FxProgressMethod progress;
};

Step Of(Plain f, const ChainSettings& s) {
    return [f, section = s.section](const FxDIBDesc& in, FxDIBDesc& out) { f(in, out, section); };
}

// The converters between the uncompressed formats 1, 4, 8 and 24 bits.
void AppendPlainStep(std::vector<Step>& chain, FxPixelFormat from, FxPixelFormat to,
                     const ChainSettings& s) {
    using F = FxPixelFormat;
    const bool sec = s.section;
    const FxProgressMethod progress = s.progress;
    const FxRGB key = s.key;
    if (from == to)
        return;
    if (from == F::Bit1) {
        chain.push_back(Of(to == F::Bit4   ? Convert1BitRGBTo4BitRGB
                           : to == F::Bit8 ? Convert1BitRGBTo8BitRGB
                                           : Convert1BitRGBToTrueColor,
                           s));
    } else if (from == F::Bit4) {
        if (to == F::Bit1)
            chain.push_back(
                [=](auto& in, auto& out) { Convert4BitRGBTo1BitRGB(in, out, sec, key); });
        else
            chain.push_back(
                Of(to == F::Bit8 ? Convert4BitRGBTo8BitRGB : Convert4BitRGBToTrueColor, s));
    } else if (from == F::Bit8) {
        if (to == F::Bit1)
            chain.push_back([=](auto& in, auto& out) { Convert8BitTo1BitRGB(in, out, sec, key); });
        else if (to == F::Bit4)
            chain.push_back(
                [=](auto& in, auto& out) { Convert8BitRGBTo4BitRGB(in, out, sec, progress); });
        else
            chain.push_back(Of(Convert8BitRGBToTrueColor, s));
    } else if (to == F::Bit1) {
        chain.push_back([=](auto& in, auto& out) { ConvertTrueColorTo1BitRGB(in, out, sec, key); });
    } else {
        if (s.quality != 0 && s.quality != 1)
            throw EFxDIBAssertionFailed(kFormatError);
        using Reduce = void (*)(const FxDIBDesc&, FxDIBDesc&, bool, const FxProgressMethod&);
        const Reduce reduce =
            to == F::Bit4
                ? (s.quality == 0 ? ConvertTrueColorTo4BitRGBLow : ConvertTrueColorTo4BitRGBHigh)
                : (s.quality == 0 ? ConvertTrueColorTo8BitRGBLow : ConvertTrueColorTo8BitRGBHigh);
        chain.push_back([=](auto& in, auto& out) { reduce(in, out, sec, progress); });
    }
}

// Compressed pictures are decoded first, compressed targets encoded last, and what lies
// between is one plain conversion.
std::vector<Step> BuildChain(FxPixelFormat from, FxPixelFormat to, const ChainSettings& s) {
    using F = FxPixelFormat;
    const int target = int(to);
    if (target < 0 || target > 7 || from == to)
        throw EFxDIBAssertionFailed(kFormatError);
    std::vector<Step> chain;
    F plainFrom = from;
    if (from == F::Bit4RLE) {
        chain.push_back(Of(Convert4BitRLETo4BitRGB, s));
        plainFrom = F::Bit4;
    } else if (from == F::Bit8RLE) {
        chain.push_back(Of(Convert8BitRLETo8BitRGB, s));
        plainFrom = F::Bit8;
    }
    if (to == F::HalfTone || to == F::HalfToneBW) {
        chain.push_back(Of(to == F::HalfTone ? ConvertToHalfTone : ConvertToHalfToneBW, s));
        return chain;
    }
    const F plainTo = to == F::Bit4RLE ? F::Bit4 : to == F::Bit8RLE ? F::Bit8 : to;
    AppendPlainStep(chain, plainFrom, plainTo, s);
    if (to == F::Bit4RLE)
        chain.push_back(Of(Convert4BitRGBTo4BitRLE, s));
    else if (to == F::Bit8RLE)
        chain.push_back(Of(Convert8BitRGBTo8BitRLE, s));
    return chain;
}

struct ProgressPlan {
    const char* message = nullptr;
    int steps = 0;
};

ProgressPlan PlanProgress(FxPixelFormat from, FxPixelFormat to) {
    using F = FxPixelFormat;
    const bool to4 = to == F::Bit4 || to == F::Bit4RLE;
    const bool rle = to == F::Bit4RLE || to == F::Bit8RLE;
    if (from == F::Bit24 && (to == F::Bit8 || to == F::Bit8RLE))
        return {rle ? "PixelFormat 24Bit -> 8BitRLE" : "PixelFormat 24Bit -> 8Bit", 256};
    if (!to4)
        return {};
    if (from == F::Bit24)
        return {rle ? "PixelFormat 24Bit -> 4BitRLE" : "PixelFormat 24Bit -> 4Bit", 16};
    if (from == F::Bit8)
        return {rle ? "PixelFormat 8Bit -> 4BitRLE" : "PixelFormat 8Bit -> 4Bit", 16};
    if (from == F::Bit8RLE)
        return {rle ? "PixelFormat 8BitRLE -> 4BitRLE" : "PixelFormat 8BitRLE -> 4Bit", 16};
    return {};
}

// Reports the start and, on every way out, the end of a conversion.
class ProgressReport {
public:
    ProgressReport(const FxProgressEvent& event, ProgressPlan plan)
        : event_(plan.message != nullptr ? event : FxProgressEvent{}), plan_(plan) {
        if (event_)
            event_(FxProgressStage::Starting, 0, plan_.message);
    }
    ~ProgressReport() {
        if (event_)
            event_(FxProgressStage::Ending, 100, plan_.message);
    }
    ProgressReport(const ProgressReport&) = delete;
    ProgressReport& operator=(const ProgressReport&) = delete;

    FxProgressMethod Method() {
        if (!event_)
            return {};
        return [this](int) {
            ++done_;
            event_(FxProgressStage::Running, std::min(100, done_ * 100 / plan_.steps),
                   plan_.message);
        };
    }

private:
    FxProgressEvent event_;
    ProgressPlan plan_;
    int done_ = 0;
};

} // namespace

void TFxDIB::SetPixelFormat(FxPixelFormat target) {
    const FxPixelFormat current = PixelFormat();
    if (target == current)
        return;
    ProgressReport report(OnProgress, PlanProgress(current, target));
    const ChainSettings settings{Quality, ResolvedKeyColor(), UseSection, report.Method()};
    const std::vector<Step> chain = BuildChain(current, target, settings);
    // Each result owns its block; replacing it releases the one before.
    std::unique_ptr<OwnedDesc> result;
    for (const Step& step : chain) {
        auto next = std::make_unique<OwnedDesc>();
        step(result ? result->Desc() : internal_->Desc(), next->Desc());
        result = std::move(next);
    }
    if (internal_.use_count() > 1)
        internal_ = std::make_shared<TFxInternalDIB>(result->Release());
    else
        internal_->Replace(result->Release());
    PaletteModified = true;
    Changed();
}

} // namespace folivex::dib
