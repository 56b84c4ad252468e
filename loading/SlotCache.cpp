#include "loading/SlotCache.h"

#include "loading/Archive.h"

#include <sys/stat.h>

namespace folivex {

FileIdentity IdentifyFile(const std::string& path) {
    FileIdentity id;
    id.path = path;
    const auto member = SplitArchiveMember(path);
    const std::string& onDisk = member ? member->archive : path;
    struct stat info {};
    if (::stat(onDisk.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return id;
    id.size = std::int64_t(info.st_size);
    id.mtimeNs = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    id.known = true;
    return id;
}

std::optional<KeptPicture> SlotCache::Find(const std::string& key) {
    const std::lock_guard lock(mutex_);
    const auto it = byKey_.find(key);
    if (it == byKey_.end())
        return std::nullopt;
    entries_.splice(entries_.begin(), entries_, it->second);
    return it->second->picture;
}

void SlotCache::Put(const std::string& key, KeptPicture picture) {
    const std::size_t bytes = picture.picture ? picture.picture->pixels.size() + key.size() : 0;
    const std::lock_guard lock(mutex_);
    if (const auto it = byKey_.find(key); it != byKey_.end()) {
        bytes_ -= it->second->bytes;
        entries_.erase(it->second);
        byKey_.erase(it);
    }
    if (!picture.picture || bytes > capacity_)
        return;
    EvictTo(capacity_ - bytes);
    entries_.push_front({key, std::move(picture), bytes});
    byKey_[key] = entries_.begin();
    bytes_ += bytes;
}

void SlotCache::EvictTo(std::size_t limit) {
    while (bytes_ > limit && !entries_.empty()) {
        bytes_ -= entries_.back().bytes;
        byKey_.erase(entries_.back().key);
        entries_.pop_back();
    }
}

void SlotCache::Clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
    byKey_.clear();
    bytes_ = 0;
}

std::size_t SlotCache::Bytes() const {
    const std::lock_guard lock(mutex_);
    return bytes_;
}

std::size_t SlotCache::Count() const {
    const std::lock_guard lock(mutex_);
    return entries_.size();
}

} // namespace folivex
