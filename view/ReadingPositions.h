// Where reading stopped in each album: the last spread shown in an album file, folder or
// archive, kept in a small store file of this program beside "Folmo.INI". Recording is
// in memory; the file is written only when asked (at quit, and when another album opens).
#pragma once

#include "view/PictureList.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace folivex {

struct ReadingPosition {
    std::string fileName;  // the spread's first picture, relative to the picture folder
    int index = 0;         // its row then (1 or more)
    int splitMode = 0;     // the split mode it was shown in
    std::int64_t time = 0; // seconds since 1970, when it was kept
};

class ReadingPositions {
public:
    // The oldest entries go once there are more; a store file larger than the byte cap is
    // not read (no real store comes near it: 1,000 entries of two long paths).
    static constexpr std::size_t kMaxEntries = 1000;
    static constexpr std::size_t kMaxFileBytes = std::size_t(16) << 20;
    static constexpr const char* kFileName = "Positions.txt";

    using Clock = std::function<std::int64_t()>;
    explicit ReadingPositions(std::string path, Clock clock = {});

    // Reads the store file. A missing, unreadable, oversized or damaged file reads as
    // empty: positions are a convenience, never a reason to fail a start.
    void Load();
    // Writes the store atomically when anything changed since the last load or save.
    // Raises "%s に書き込めません" (or "ﾌｧｲﾙ %s を作成できません") when the file cannot be
    // written; the positions stay in memory.
    void Save();

    // Keeps `position` (time set now) for the album; the album becomes the newest entry.
    void Keep(const std::string& album, ReadingPosition position);
    // The kept position of an album, or null.
    const ReadingPosition* Find(const std::string& album) const;

    std::size_t Size() const { return entries_.size(); }
    bool Changed() const { return changed_; }
    const std::string& Path() const { return path_; }

private:
    struct Entry {
        std::string album;
        ReadingPosition position;
    };
    std::string path_;
    Clock clock_;
    std::vector<Entry> entries_; // oldest first
    bool changed_ = false;
};

// The row a kept position stands for in the list as it is now: its picture by name (at
// its kept row when that still holds it, so doubled names keep their place), else the
// kept row clamped to the list. 0 for an empty list.
int ResumeRow(const ReadingPosition& position, const PictureList& pictures);

} // namespace folivex
