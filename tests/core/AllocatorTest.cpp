#include "core/Allocator.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// A block written through, so that the compiler keeps the allocation.
[[maybe_unused]] void* Touched(std::size_t size) {
    auto* p = static_cast<volatile unsigned char*>(std::malloc(size));
    for (std::size_t i = 0; i < size; i += 4096)
        p[i] = 1;
    return const_cast<unsigned char*>(p);
}

} // namespace

// A picture-sized block freed and asked for again is mapped again, not taken from the heap
// (where glibc put it once the first one was freed, and where its memory stayed).
TEST(Allocator, PictureSizedBlocksAreMappedAfterOneWasFreed) {
#if !defined(__GLIBC__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "glibc's own allocator only";
#else
    folivex::KeepLargeBlocksMapped();
    for (std::size_t size : {std::size_t(300) << 10, std::size_t(6) << 20, std::size_t(24) << 20}) {
        std::free(Touched(size));
        const auto mapped = mallinfo2().hblks;
        void* again = Touched(size);
        EXPECT_EQ(mallinfo2().hblks, mapped + 1) << size << " bytes came from the heap";
        std::free(again);
    }
#endif
}
