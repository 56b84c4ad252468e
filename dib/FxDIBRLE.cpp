// Run-length codecs of the DIB library: BI_RLE8 and BI_RLE4 decoding and encoding.
#include "dib/FxDIBConvert.h"
#include "dib/FxDIBError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace folivex::dib {
namespace {

std::string Text(std::string_view name, std::string_view what) {
    return std::string(name) + ": " + std::string(what);
}

void RequireFormat(const FxDIBDesc& src, int bits, std::uint32_t compression,
                   std::string_view name) {
    if (src.Header.biBitCount != bits || src.Header.biCompression != compression)
        throw EFxDIBBadDIBType(Text(name, "Invalid Bitcount & Compression Combination"));
}

// Hands out the bytes of a compressed block and refuses to go past its end: data that
// lacks its end-of-bitmap code, or claims more bytes than it holds, is malformed.
class RleInput {
public:
    RleInput(const FxDIBDesc& src, std::string_view name)
        : pos_(src.Bits), end_(src.Bits == nullptr ? src.Bits : src.Bits + std::max(src.Size, 0)),
          name_(name) {}

    std::uint8_t Byte() { return *Take(1); }
    const std::uint8_t* Take(std::size_t count) {
        if (std::size_t(end_ - pos_) < count)
            throw EFxDIBInvalidDIB(Text(name_, "Unexpected End of RLE Data"));
        const std::uint8_t* at = pos_;
        pos_ += count;
        return at;
    }

private:
    const std::uint8_t* pos_;
    const std::uint8_t* end_;
    std::string_view name_;
};

// Writes decoded pixels into the zero-filled output rows.
struct RleCanvas {
    std::uint8_t* bits;
    std::int64_t stride;
    bool four;

    void Put(std::int64_t x, std::int64_t y, std::uint8_t value) const {
        std::uint8_t* row = bits + y * stride;
        if (!four)
            row[x] = value;
        else if (x % 2 == 0)
            row[x / 2] = std::uint8_t(value << 4); // a high half sets the whole byte
        else
            row[x / 2] = std::uint8_t(row[x / 2] | value);
    }
};

// Decodes either run-length format. `firstMessage` numbers the "Bad RLE Data" texts:
// end of line, delta, absolute run, encoded run, in that order.
void DecodeRle(const FxDIBDesc& src, FxDIBDesc& dst, bool section, bool four, std::string_view name,
               int firstMessage) {
    const FxBitmapInfoHeader& h = src.Header;
    if (h.biWidth <= 0 || h.biHeight == 0)
        throw EFxDIBInvalidDIB(Text(name, "Invalid DIB Size"));
    const std::int64_t width = h.biWidth;
    const std::int64_t rows = AbsHeight(h.biHeight);
    const std::int64_t stride = RowStride(width, four ? 4 : 8);
    // A 4-bit row may fill the padding half of its last byte.
    const std::int64_t limit = four ? (width + 1) / 2 * 2 : width;
    PixelBlock block(CheckedBlockSize(stride, rows, name), section);
    const RleCanvas canvas{block.Bits(), stride, four};
    auto bad = [&](int which) {
        return EFxDIBInvalidDIB(Text(name, "Bad RLE Data " + std::to_string(firstMessage + which)));
    };
    RleInput in(src, name);
    std::int64_t x = 0;
    std::int64_t y = 0;
    for (;;) {
        const std::uint8_t count = in.Byte();
        const std::uint8_t code = in.Byte();
        if (count > 0) {
            if (x + count > limit || y >= rows)
                throw bad(3);
            for (int j = 0; j < count; ++j)
                canvas.Put(x + j, y, !four ? code : (j % 2 == 0 ? code >> 4 : code & 15));
            x += count;
        } else if (code == 0) {
            x = 0;
            if (++y > rows)
                throw bad(0);
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            x += in.Byte();
            y += in.Byte();
            if (x > limit || y > rows)
                throw bad(1);
        } else {
            if (x + code > limit || y >= rows)
                throw bad(2);
            const std::size_t bytes = four ? (code * 4 + 15) / 16 * 2 : (code + 1) / 2 * 2;
            const std::uint8_t* data = in.Take(bytes);
            for (int j = 0; j < code; ++j) {
                const std::uint8_t b = four ? data[j / 2] : data[j];
                canvas.Put(x + j, y, !four ? b : (j % 2 == 0 ? b >> 4 : b & 15));
            }
            x += code;
        }
    }
    FxDIBDesc out = src;
    block.MoveInto(out);
    out.Header.biCompression = kBiRgb;
    out.Header.biSizeImage = 0;
    dst = out;
}

// The one-pass encoder: a state machine over the bytes of a row with at most one
// pending run or literal, writing into a work buffer the size of the picture. It fails
// rather than grow: compressed data that does not fit is no compression.
class RleEncoder {
public:
    RleEncoder(bool four, std::int64_t capacity, std::int64_t width, std::string_view name)
        : four_(four), maxLen_(four ? 127 : 255), width_(width), name_(name),
          buffer_(std::size_t(capacity)) {}

    void Row(const std::uint8_t* bytes, std::int64_t count) {
        state_ = State::Empty;
        pixel_ = 0;
        for (std::int64_t i = 0; i < count; ++i)
            Feed(bytes[i]);
        Flush();
        Need(4);
        Emit(0);
        Emit(0);
    }

    void End() {
        Need(2);
        Emit(0);
        Emit(1);
    }

    const std::uint8_t* Data() const { return buffer_.data(); }
    std::int64_t Used() const { return used_; }

private:
    enum class State { Empty, Single, Run, Literal };

    void Feed(std::uint8_t v) {
        switch (state_) {
        case State::Empty:
            Start(v, State::Single);
            break;
        case State::Single:
            if (v == pending_[0]) {
                len_ = 2;
                state_ = State::Run;
            } else {
                pending_[len_++] = v;
                state_ = State::Literal;
            }
            break;
        case State::Run:
            if (v == pending_[0] && len_ < maxLen_) {
                ++len_;
            } else {
                WriteRun(len_, pending_[0]);
                Start(v, State::Single);
            }
            break;
        case State::Literal:
            FeedLiteral(v);
            break;
        }
    }

    void FeedLiteral(std::uint8_t v) {
        if (v != pending_[len_ - 1] && len_ < maxLen_) {
            pending_[len_++] = v;
        } else if (v == pending_[len_ - 1]) {
            // The repeated byte leaves the literal and opens a run of two.
            WriteLiteral(len_ - 1);
            Start(v, State::Run);
            len_ = 2;
        } else {
            WriteLiteral(len_);
            Start(v, State::Single);
        }
    }

    void Start(std::uint8_t v, State state) {
        pending_[0] = v;
        len_ = 1;
        state_ = state;
    }

    void Flush() {
        if (state_ == State::Single || state_ == State::Run)
            WriteRun(len_, pending_[0]);
        else if (state_ == State::Literal)
            WriteLiteral(len_);
        state_ = State::Empty;
    }

    // The count written for `bytes` bytes: pixels for the 4-bit format, never past the
    // row's last pixel.
    std::uint8_t Count(int bytes) {
        if (!four_)
            return std::uint8_t(bytes);
        const std::int64_t pixels = std::min<std::int64_t>(2 * bytes, width_ - pixel_);
        pixel_ += pixels;
        return std::uint8_t(pixels);
    }

    void WriteRun(int bytes, std::uint8_t value) {
        Need(6);
        Emit(Count(bytes));
        Emit(value);
    }

    void WriteLiteral(int len) {
        FxAssert(len > 0, Text(name_, "WriteAbsolute Error"));
        // Absolute mode needs a count of at least three.
        if (len < (four_ ? 2 : 3)) {
            for (int i = 0; i < len; ++i)
                WriteRun(1, pending_[std::size_t(i)]);
            return;
        }
        const int padded = (len + 1) / 2 * 2;
        Need(padded + 6);
        Emit(0);
        Emit(Count(len));
        for (int i = 0; i < padded; ++i)
            Emit(i < len ? pending_[std::size_t(i)] : 0);
    }

    void Need(std::int64_t bytes) const {
        if (std::int64_t(buffer_.size()) - used_ < bytes)
            throw EFxDIBCompressionFailed(Text(name_, "Compression Failed"));
    }
    void Emit(std::uint8_t b) { buffer_[std::size_t(used_++)] = b; }

    bool four_;
    int maxLen_;
    std::int64_t width_;
    std::string_view name_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t used_ = 0;
    std::int64_t pixel_ = 0;
    State state_ = State::Empty;
    std::array<std::uint8_t, 255> pending_{};
    int len_ = 0;
};

void EncodeRle(const FxDIBDesc& src, FxDIBDesc& dst, bool section, bool four,
               std::string_view name) {
    const std::int64_t size = RequireRows(src, name);
    const std::int64_t width = src.Header.biWidth;
    const std::int64_t rows = AbsHeight(src.Header.biHeight);
    const std::int64_t stride = RowStride(width, four ? 4 : 8);
    const bool topDown = src.Header.biHeight < 0;
    RleEncoder encoder(four, size, width, name);
    for (std::int64_t k = 0; k < rows; ++k) {
        const std::int64_t row = topDown ? rows - 1 - k : k;
        encoder.Row(src.Bits + row * stride, four ? (width + 1) / 2 : width);
    }
    encoder.End();
    PixelBlock block(encoder.Used(), section);
    std::memcpy(block.Bits(), encoder.Data(), std::size_t(encoder.Used()));
    FxDIBDesc out = src;
    block.MoveInto(out);
    out.Header.biHeight = std::int32_t(rows);
    out.Header.biCompression = four ? kBiRle4 : kBiRle8;
    out.Header.biSizeImage = std::uint32_t(encoder.Used());
    dst = out;
}

} // namespace

void Convert8BitRLETo8BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    constexpr std::string_view name = "Convert8BitRLETo8BitRGB";
    RequireFormat(src, 8, kBiRle8, name);
    DecodeRle(src, dst, section, false, name, 1);
}

void Convert4BitRLETo4BitRGB(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    constexpr std::string_view name = "Convert4BitRLETo4BitRGB";
    RequireFormat(src, 4, kBiRle4, name);
    DecodeRle(src, dst, section, true, name, 5);
}

void Convert8BitRGBTo8BitRLE(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    constexpr std::string_view name = "Convert8BitRGBTo8BitRLE";
    RequireFormat(src, 8, kBiRgb, name);
    EncodeRle(src, dst, section, false, name);
}

void Convert4BitRGBTo4BitRLE(const FxDIBDesc& src, FxDIBDesc& dst, bool section) {
    constexpr std::string_view name = "Convert4BitRGBTo4BitRLE";
    RequireFormat(src, 4, kBiRgb, name);
    EncodeRle(src, dst, section, true, name);
}

} // namespace folivex::dib
