// The pictures kept ready for drawing: slot pictures already reduced into their slots,
// and the decoded pictures they were made from, so that a redraw at another size or in
// the other drawing mode need not decode the file again. Bounded by bytes; the least
// recently used pictures go first. Safe from several threads at once.
#pragma once

#include "core/Bitmap24.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace folivex {

// What a listed picture file is on disk at one moment: a changed file (another size or
// modification time) is another picture.
struct FileIdentity {
    std::string path;
    std::int64_t size = -1;
    std::int64_t mtimeNs = 0;
    bool known = false; // false when the file (or its archive) could not be examined
};

// The file's identity now; for an entry of an archive, the archive file's.
FileIdentity IdentifyFile(const std::string& path);

struct KeptPicture {
    std::shared_ptr<const Bitmap24> picture;
    int fullWidth = 0, fullHeight = 0; // the upright picture as the file holds it
};

class SlotCache {
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t(64) << 20;

    explicit SlotCache(std::size_t capacityBytes = kDefaultCapacity) : capacity_(capacityBytes) {}

    std::optional<KeptPicture> Find(const std::string& key);
    // A picture larger than the whole capacity is not kept.
    void Put(const std::string& key, KeptPicture picture);
    void Clear();

    std::size_t Bytes() const;
    std::size_t Count() const;
    std::size_t Capacity() const { return capacity_; }

private:
    struct Entry {
        std::string key;
        KeptPicture picture;
        std::size_t bytes = 0;
    };
    void EvictTo(std::size_t limit);

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::list<Entry> entries_; // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> byKey_;
    std::size_t bytes_ = 0;
};

} // namespace folivex
