#include "core/Allocator.h"

#include <cstdlib> // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace folivex {

void KeepLargeBlocksMapped() {
#if defined(__GLIBC__)
    // glibc's starting threshold, made fixed: setting it turns the raising off.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

} // namespace folivex
