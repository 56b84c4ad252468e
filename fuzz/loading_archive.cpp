// Fuzz target for the archive reader: any bytes, listed as an archive, then every listed
// entry read, under small limits so that a run stays quick.
#include "loading/Archive.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// libarchive asks malloc for whatever a damaged header implies (2^64 - 3 bytes from a
// RAR5 header, 23 GB from the counts of an 835-byte 7z header) and copes with NULL; under
// the real malloc such a block fails or is never touched. These defaults, read by the
// fuzzer and by the corpus replay alike and kept under any ASAN_OPTIONS that do not name
// them, make ASan return NULL for anything past 2.5 GB (the fuzzer's memory limit), so
// that path is tested instead of stopping the run.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=2560";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace folivex;
    const ArchiveLimits limits{std::uint64_t(1) << 20, 1000};
    try {
        auto archive =
            Archive::OpenMemory(std::vector<std::uint8_t>(data, data + size), "fuzz", limits);
        for (const ArchiveEntry& entry : archive->Entries()) {
            try {
                archive->Read(entry.name);
            } catch (const Error&) {
                // A damaged, locked or oversized entry is reported; the rest still read.
            }
        }
    } catch (const Error&) {
        // Data that is no archive is refused with its message.
    }
    return 0;
}
