// See rawinput.h.
#include "rawinput.h"

#include <cstdint>
#include <new>

struct RawInput final : LibRaw_buffer_datastream {
    RawInput(const void* buf, size_t size)
        : LibRaw_buffer_datastream(const_cast<void*>(buf), size), // only ever read
          budget(std::uint64_t(size) * 64 + (std::uint64_t(1) << 20)) {}

    // Some of LibRaw's parsers loop as often as a header says, reading on at the end or
    // seeking to and fro (billions of times for a PhaseOne header of 4 bytes' claim). No
    // raw needs more reads than dozens per byte it holds; past that the stream throws
    // LibRaw's own error, which every LibRaw call catches and returns.
    void Spend() {
        if (++calls > budget)
            throw LIBRAW_EXCEPTION_IO_CORRUPT;
    }

    int read(void* out, size_t size, size_t count) override {
        Spend();
        const INT64 before = tell();
        const int result = LibRaw_buffer_datastream::read(out, size, count);
        const INT64 got = tell() - before;
        if (size != 0 && count != 0 && got == 0)
            ++emptyReads;
        if (std::uint64_t(got) < std::uint64_t(size) * count)
            cutShort = true;
        bytesRead += std::uint64_t(got);
        return result;
    }
    int get_char() override {
        Spend();
        const int c = LibRaw_buffer_datastream::get_char();
        if (c < 0)
            ++emptyReads;
        else
            ++bytesRead;
        return c;
    }
    int seek(INT64 offset, int whence) override {
        Spend();
        const INT64 base = whence == SEEK_CUR ? tell() : whence == SEEK_END ? size() : 0;
        if (offset > 0 && offset > size() - base) {
            emptyReads += kPastTheEnd; // the data sought is missing: cut short for sure
            cutShort = true;
        }
        return LibRaw_buffer_datastream::seek(offset, whence);
    }
    // libjpeg then reads the rest of the buffer itself, past this stream's counts.
    int jpeg_src(void* jpegdata) override {
        handedToJpeg = true;
        return LibRaw_buffer_datastream::jpeg_src(jpegdata);
    }

    static constexpr unsigned long kMostEmptyReads = 8;
    // Weighs more than the empty reads a block reader makes at the end of a whole file.
    static constexpr unsigned long kPastTheEnd = 1000;
    const std::uint64_t budget;
    std::uint64_t calls = 0;
    unsigned long emptyReads = 0;
    std::uint64_t bytesRead = 0;
    bool handedToJpeg = false;
    bool cutShort = false; // a read came up short, or a seek went past the end
};

int raw_input_open(libraw_data_t* lr, const void* buf, size_t size, RawInput** input) {
    *input = new (std::nothrow) RawInput(buf, size);
    if (!*input)
        return LIBRAW_UNSUFFICIENT_MEMORY;
    return static_cast<LibRaw*>(lr->parent_class)->open_datastream(*input);
}

void raw_input_reset(RawInput* input) {
    input->emptyReads = 0;
    input->bytesRead = 0;
    input->handedToJpeg = false;
    input->cutShort = false;
}

int raw_input_read_all(const RawInput* input) {
    return !input->cutShort;
}

int raw_input_seems_whole(const RawInput* input, uint64_t samples) {
    if (input->emptyReads > RawInput::kMostEmptyReads)
        return 0;
    return input->handedToJpeg || input->bytesRead >= samples / 8;
}

void raw_input_free(RawInput* input) {
    delete input;
}
