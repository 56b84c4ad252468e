// TSPIBitmap: a picture that loads any file that the plain bitmap reader or one of the
// loaded picture plug-ins understands. Its decoder, TInSPIAble, holds the whole input in
// memory, decides whether the bitmap reader or the plug-ins go first, offers the data
// to the plug-ins in turn and turns the bitmap a plug-in returns into the picture.
#pragma once

#include "core/Bitmap24.h"
#include "loading/PictureFile.h"
#include "loading/SPIs.h"

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace folivex {

enum class TProgressStage { psStarting, psRunning, psEnding };
// Progress of a plug-in's decoding: stage, percent (0 to 100), whether to redraw.
using TProgressEvent = std::function<void(TProgressStage stage, int percent, bool redraw)>;

// What a plug-in said about the picture; the other fields mean something only when valid.
struct SPIPictureInfo {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    std::uint16_t xDensity = 0, yDensity = 0, colorDepth = 0;
    std::string info; // the plug-in's information text, UTF-8
    bool valid = false;
};

class TSPIBitmap;

// A plug-in stopped through its progress callback because the picture was no longer
// wanted. Never shown: whoever asked for the stop drops the picture.
class EDecodeStopped : public Error {
public:
    EDecodeStopped() : Error("decode stopped") {}
};

class TInSPIAble {
public:
    explicit TInSPIAble(TSPIBitmap& owner) : owner_(owner) {}

    std::string Ext;               // extension of the file being decoded, period included
    std::string FileName;          // name of the file being decoded, as the caller gave it
    std::string NativeExt = "BMP"; // the owner's own format, without period
    bool SkipHeader = true;

    void LoadFromFile(const std::string& fileName);
    void LoadFromNamedStream(std::istream& stream, const std::string& fileName);
    // The stream's whole content from its start, whatever its position.
    void LoadFromStream(std::istream& stream);
    void LoadFromMemory(std::span<const std::uint8_t> data);
    // Data read from somewhere other than the named file (an archive entry), decoded as
    // that file would be.
    void LoadFromNamedMemory(std::span<const std::uint8_t> data, const std::string& fileName);

    // The callback handed to GetPicture, with the decoder as its user data.
    static int32_t ProgressCallback(int32_t num, int32_t denom, intptr_t data);

private:
    bool stopped_ = false; // the callback asked the current plug-in to stop
    bool TryNative(std::span<const std::uint8_t> data);
    bool TryPlugIns(std::span<const std::uint8_t> data);
    bool TryPlugIn(TInSPI& spi, const std::uint8_t* data, std::size_t size);

    TSPIBitmap& owner_;
};

class TSPIBitmap {
public:
    TSPIBitmap() : decoder_(std::make_unique<TInSPIAble>(*this)) {}
    TSPIBitmap(const TSPIBitmap&) = delete;
    TSPIBitmap& operator=(const TSPIBitmap&) = delete;

    // Offer a plug-in that fails on the data the same data once more without its first
    // 128 bytes (a header that some files carry before the picture).
    bool SkipHeader = true;
    TProgressEvent OnProgress;
    // Asked at every progress report; true makes the callback tell the plug-in to stop,
    // and the load raises EDecodeStopped instead of trying the other readers.
    std::function<bool()> ShouldStop;

    // Each raises "認識できない画像形式です" when no reader accepts the data; plug-in
    // errors pass through. On failure the picture is not defined.
    void LoadFromFile(const std::string& fileName);
    void LoadFromStream(std::istream& stream);
    void LoadFromNamedStream(std::istream& stream, const std::string& fileName);
    void LoadFromMemory(std::span<const std::uint8_t> data);
    void LoadFromNamedMemory(std::span<const std::uint8_t> data, const std::string& fileName);

    void Assign(const TSPIBitmap& source);

    const Bitmap24& Picture() const { return picture_; }
    Bitmap24& Picture() { return picture_; }

    // The plain bitmap reader into this picture; raises EInvalidGraphic.
    void ReadNative(std::span<const std::uint8_t> file);
    // Takes a plug-in's result: a bitmap header with its colour table and the pixel rows.
    // Leaves done false when the blocks do not hold what the header describes.
    void ReadDIB(std::span<const std::uint8_t> bitmapInfo, std::span<const std::uint8_t> bits,
                 const SPIPictureInfo& info, bool& done);

private:
    friend class TInSPIAble;
    std::unique_ptr<TInSPIAble> decoder_;
    Bitmap24 picture_;
};

// The registry's decoder for plug-in formats: a fresh TSPIBitmap loading the file.
Bitmap24 DecodeWithSPIBitmap(const std::string& path);

} // namespace folivex
