#include "loading/SPIBitmap.h"

#include "loading/BmpReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace folivex {

namespace {

constexpr std::size_t kPluginReadable = 2048; // what IsSupported may read
constexpr std::size_t kSkippedHeader = 128;

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

// Unlocks and frees a plug-in's memory handle on every way out.
class LocalHandle {
public:
    explicit LocalHandle(HLOCAL handle) : handle_(handle) {}
    ~LocalHandle() {
        if (!handle_)
            return;
        if (locked_)
            LocalUnlock(handle_);
        LocalFree(handle_);
    }
    LocalHandle(const LocalHandle&) = delete;
    LocalHandle& operator=(const LocalHandle&) = delete;

    // The block's bytes; empty for a handle that is not a live local block.
    std::span<const std::uint8_t> Lock() {
        std::size_t size = LocalSize(handle_);
        auto* p = static_cast<const std::uint8_t*>(LocalLock(handle_));
        if (!p)
            return {};
        locked_ = true;
        return {p, size};
    }

private:
    HLOCAL handle_;
    bool locked_ = false;
};

// Clears the decoder's Ext and FileName when a named load ends, however it ends.
struct NamedLoad {
    TInSPIAble& decoder;
    NamedLoad(TInSPIAble& d, const std::string& fileName) : decoder(d) {
        decoder.Ext = ExtractFileExt(fileName);
        decoder.FileName = fileName;
    }
    ~NamedLoad() {
        decoder.Ext.clear();
        decoder.FileName.clear();
    }
};

std::vector<std::uint8_t> ReadStream(std::istream& stream) {
    stream.clear();
    stream.seekg(0);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream),
                                     std::istreambuf_iterator<char>());
}

} // namespace

// ---- TInSPIAble ----

void TInSPIAble::LoadFromFile(const std::string& fileName) {
    NamedLoad named(*this, fileName);
    LoadFromMemory(ReadWholeFile(fileName));
}

void TInSPIAble::LoadFromNamedStream(std::istream& stream, const std::string& fileName) {
    NamedLoad named(*this, fileName);
    LoadFromStream(stream);
}

void TInSPIAble::LoadFromNamedMemory(std::span<const std::uint8_t> data,
                                     const std::string& fileName) {
    NamedLoad named(*this, fileName);
    LoadFromMemory(data);
}

void TInSPIAble::LoadFromStream(std::istream& stream) {
    LoadFromMemory(ReadStream(stream));
}

void TInSPIAble::LoadFromMemory(std::span<const std::uint8_t> data) {
    const bool pluginsFirst =
        !Ext.empty() && UpperCaseAscii(Ext.substr(1)) != UpperCaseAscii(NativeExt);
    bool done = pluginsFirst ? (TryPlugIns(data) || TryNative(data))
                             : (TryNative(data) || TryPlugIns(data));
    if (!done)
        throw EInvalidGraphic();
}

bool TInSPIAble::TryNative(std::span<const std::uint8_t> data) {
    try {
        owner_.ReadNative(data);
        return true;
    } catch (const EInvalidGraphic&) {
        return false;
    }
}

bool TInSPIAble::TryPlugIns(std::span<const std::uint8_t> data) {
    TSPIs* spis = GetSPIs();
    if (!spis)
        return false;
    std::vector<TSPI*> plugins;
    spis->FindPlugIns<TInSPI>(plugins, Ext);
    stopped_ = false;
    for (TSPI* spi : plugins) {
        auto& in = static_cast<TInSPI&>(*spi);
        if (TryPlugIn(in, data.data(), data.size()))
            return true;
        if (!stopped_ && SkipHeader && data.size() > kSkippedHeader &&
            TryPlugIn(in, data.data() + kSkippedHeader, data.size() - kSkippedHeader))
            return true;
        if (stopped_)
            throw EDecodeStopped();
    }
    return false;
}

bool TInSPIAble::TryPlugIn(TInSPI& spi, const std::uint8_t* data, std::size_t size) {
    // IsSupported may read 2048 bytes whatever the input's length.
    std::vector<std::uint8_t> padded;
    if (size < kPluginReadable) {
        padded.assign(kPluginReadable, 0);
        if (size > 0)
            std::memcpy(padded.data(), data, size);
        data = padded.data();
    }
    const char* buf = reinterpret_cast<const char*>(data);
    const auto len = static_cast<intptr_t>(size);
    if (spi.IsSupported(FileName.c_str(), const_cast<std::uint8_t*>(data)) == 0)
        return false;

    // GetPictureInfo is not asked first: nothing here uses its answer, and it would make
    // the plug-in parse the whole file twice.
    const SPIPictureInfo info;
    HLOCAL hbInfo = nullptr, hbm = nullptr;
    int32_t result = spi.GetPicture(buf, len, 1, &hbInfo, &hbm, &TInSPIAble::ProgressCallback,
                                    reinterpret_cast<intptr_t>(this));
    LocalHandle header(hbInfo), pixels(hbm); // freed also when the plug-in failed
    if (result != 0)
        return false;
    // Given up while the plug-in worked without reporting: not converted either.
    if (owner_.ShouldStop && owner_.ShouldStop()) {
        stopped_ = true;
        return false;
    }
    auto bits = pixels.Lock();
    auto bitmapInfo = header.Lock();
    bool done = false;
    if (!bits.empty() && !bitmapInfo.empty())
        owner_.ReadDIB(bitmapInfo, bits, info, done);
    return done;
}

int32_t TInSPIAble::ProgressCallback(int32_t num, int32_t denom, intptr_t data) {
    auto* self = reinterpret_cast<TInSPIAble*>(data);
    if (!self)
        return 0;
    if (self->owner_.ShouldStop && self->owner_.ShouldStop()) {
        self->stopped_ = true;
        return 1;
    }
    if (!self->owner_.OnProgress)
        return 0;
    if (num == 0) {
        self->owner_.OnProgress(TProgressStage::psStarting, 0, false);
    } else if (num == denom) {
        self->owner_.OnProgress(TProgressStage::psEnding, 100, true);
    } else {
        // A plug-in may report a zero or negative total or a step beyond it; the percent
        // stays a percent.
        double percent = denom > 0 ? std::round(double(std::int64_t(num) * 100) / denom) : 0.0;
        percent = std::clamp(percent, 0.0, 100.0);
        self->owner_.OnProgress(TProgressStage::psRunning, int(percent), false);
    }
    return 0;
}

// ---- TSPIBitmap ----

void TSPIBitmap::LoadFromFile(const std::string& fileName) {
    decoder_->SkipHeader = SkipHeader;
    decoder_->LoadFromFile(fileName);
}

void TSPIBitmap::LoadFromStream(std::istream& stream) {
    decoder_->SkipHeader = SkipHeader;
    decoder_->LoadFromStream(stream);
}

void TSPIBitmap::LoadFromNamedStream(std::istream& stream, const std::string& fileName) {
    decoder_->SkipHeader = SkipHeader;
    decoder_->LoadFromNamedStream(stream, fileName);
}

void TSPIBitmap::LoadFromMemory(std::span<const std::uint8_t> data) {
    decoder_->SkipHeader = SkipHeader;
    decoder_->LoadFromMemory(data);
}

void TSPIBitmap::LoadFromNamedMemory(std::span<const std::uint8_t> data,
                                     const std::string& fileName) {
    decoder_->SkipHeader = SkipHeader;
    decoder_->LoadFromNamedMemory(data, fileName);
}

void TSPIBitmap::Assign(const TSPIBitmap& source) {
    SkipHeader = source.SkipHeader;
    picture_ = source.picture_;
}

void TSPIBitmap::ReadNative(std::span<const std::uint8_t> file) {
    picture_ = ReadBmp(file);
}

void TSPIBitmap::ReadDIB(std::span<const std::uint8_t> bitmapInfo,
                         std::span<const std::uint8_t> bits, const SPIPictureInfo& /*info*/,
                         bool& done) {
    // Only the plain 40-byte header, as plug-ins write it; the rows are read straight from
    // the plug-in's block into the picture, the one copy on the way to the page.
    if (bitmapInfo.size() < 40 || U32(bitmapInfo, 0) != 40)
        return;
    try {
        picture_ = ReadDib(bitmapInfo, bits);
    } catch (const EInvalidGraphic&) {
        return; // a plug-in result the bitmap reader rejects is a failed trial
    }
    done = true;
}

Bitmap24 DecodeWithSPIBitmap(const std::string& path) {
    TSPIBitmap bitmap;
    bitmap.LoadFromFile(path);
    return std::move(bitmap.Picture());
}

} // namespace folivex
