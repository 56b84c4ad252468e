// Fuzz target for the archive reader: any bytes, listed as an archive, then every listed
// entry read, under small limits so that a run stays quick.
#include "loading/Archive.h"

#include <cstddef>
#include <cstdint>
#include <string>
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
    // An input whose last byte is odd is listed under a watch that stops it after a count
    // of checks taken from its first byte, so that a stop anywhere in a listing is tried.
    const int stopAt = size > 0 && (data[size - 1] & 1) != 0 ? data[0] * 3 + 1 : -1;
    int checks = 0;
    std::size_t listed = 0;
    const ListingWatch watch{[&] { return stopAt >= 0 && ++checks >= stopAt; },
                             [&](std::size_t n) { listed = n; }};
    try {
        auto archive = Archive::OpenMemory(std::vector<std::uint8_t>(data, data + size), "fuzz",
                                           limits, &watch);
        // Every other entry first, keeping what the reader passes on the way, then all
        // of them in order.
        std::size_t kept = 0;
        const Archive::PassedEntry keep = [&](const std::string&, std::vector<std::uint8_t> b) {
            kept += b.size();
        };
        const auto& entries = archive->Entries();
        for (std::size_t i = 0; i < entries.size(); i += 2) {
            try {
                archive->Read(entries[i].name, keep, std::uint64_t(2) << 20);
            } catch (const Error&) {
                // As below.
            }
        }
        for (const ArchiveEntry& entry : entries) {
            try {
                archive->Read(entry.name);
            } catch (const Error&) {
                // A damaged, locked or oversized entry is reported; the rest still read.
            }
        }
    } catch (const ListingStopped&) {
        // Stopped by the watch: nothing was kept.
    } catch (const Error&) {
        // Data that is no archive is refused with its message.
    }
    return 0;
}
