// Pixel memory of the DIB library: anonymous mappings or zero-filled heap blocks.
#include "dib/FxDIBError.h"
#include "dib/FxDIBTypes.h"

#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <sys/mman.h>

namespace folivex::dib {

FxPixelMemory GetMemory(std::int32_t size, bool section) {
    FxAssert(size >= 0, "GetMemory: Invalid Size");
    // A block is never empty, so the pointer always marks an owned allocation.
    const std::size_t bytes = size == 0 ? 1 : std::size_t(size);
    FxPixelMemory memory;
    memory.Size = size;
    if (section) {
        void* view =
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (view == MAP_FAILED)
            throw EOutOfResources("GetMemory: Cannot Make File Mapping Object");
        memory.Bits = static_cast<std::uint8_t*>(view);
        memory.Mapped = true;
    } else {
        memory.Bits = static_cast<std::uint8_t*>(std::calloc(bytes, 1));
        if (memory.Bits == nullptr)
            throw std::bad_alloc();
    }
    return memory;
}

void ReleaseMemory(std::uint8_t* bits, std::int32_t size, bool mapped) {
    if (bits == nullptr)
        return;
    if (!mapped) {
        std::free(bits);
        return;
    }
    const std::size_t bytes = size <= 0 ? 1 : std::size_t(size);
    FxAssert(munmap(bits, bytes) == 0, "ReleaseMemory: Failed To Unmap View of File map");
}

void ReleaseMemory(FxDIBDesc& desc) {
    std::uint8_t* bits = desc.Bits;
    desc.Bits = nullptr;
    ReleaseMemory(bits, desc.Size, desc.Mapped);
    desc.Size = 0;
    desc.Mapped = false;
}

PixelBlock::PixelBlock(std::int64_t size, bool section) {
    FxAssert(size >= 0 && size <= std::numeric_limits<std::int32_t>::max(),
             "GetMemory: Invalid Size");
    memory_ = GetMemory(std::int32_t(size), section);
}

PixelBlock::~PixelBlock() {
    ReleaseMemory(memory_.Bits, memory_.Size, memory_.Mapped);
}

void PixelBlock::MoveInto(FxDIBDesc& desc) {
    desc.Bits = memory_.Bits;
    desc.Size = memory_.Size;
    desc.Mapped = memory_.Mapped;
    memory_ = FxPixelMemory{};
}

std::int64_t CheckedBlockSize(std::int64_t stride, std::int64_t rows, std::string_view who) {
    // The record's size field is 32-bit signed.
    if (!ProductFitsInt32(stride, rows))
        throw EFxDIBInvalidDIB(std::string(who) + ": Invalid DIB Size");
    return stride * rows;
}

std::int64_t RequireRows(const FxDIBDesc& desc, std::string_view converter) {
    const FxBitmapInfoHeader& h = desc.Header;
    if (h.biWidth <= 0 || h.biHeight == 0)
        throw EFxDIBInvalidDIB(std::string(converter) + ": Invalid DIB Size");
    const std::int64_t size =
        CheckedBlockSize(RowStride(h.biWidth, h.biBitCount), AbsHeight(h.biHeight), converter);
    if (desc.Bits == nullptr || desc.Size < size)
        throw EFxDIBInvalidDIB(std::string(converter) + ": Invalid DIB Size");
    return size;
}

} // namespace folivex::dib
