// Fuzz target for the archive reader: any bytes, listed as an archive, then every listed
// entry read, under small limits so that a run stays quick.
#include "loading/Archive.h"

#include <cstddef>
#include <cstdint>
#include <vector>

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
        // Data that is no archive, or one too large, is refused with its message.
    }
    return 0;
}
