// Saving a file so that a crash, a kill, a full disk or a power cut never leaves it
// half written: the bytes go to a temporary file in the same folder, are flushed to the
// disk, and the temporary file is renamed over the old one; then the folder itself is
// flushed so that the rename survives a power cut. Until the rename the old file is
// untouched; any failure before it removes the temporary file and keeps the old one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <time.h>

namespace folivex {

struct AtomicFileTexts {
    // Error patterns ("%s" is the file's path): the temporary file cannot be made, and
    // any later step fails.
    std::string_view cannotCreate;
    std::string_view cannotWrite;
};

class AtomicFile {
public:
    // Makes the temporary file at once, so that a folder that cannot take the file is
    // reported before any work is done. A target that is a symbolic link is saved
    // through the link (the link stays). A target that exists but is read-only, or is
    // not a regular file, is refused with texts.cannotWrite: it is not replaced behind
    // its owner's back.
    AtomicFile(std::string path, AtomicFileTexts texts);
    ~AtomicFile(); // removes the temporary file unless Commit succeeded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Adds execute permission wherever read permission is given (launchers).
    void SetExecutable(bool executable) { executable_ = executable; }
    // Never replaces a file: Commit fails with texts.cannotWrite when the target exists
    // by then (copies written out beside files of their own).
    void SetNoReplace(bool noReplace) { noReplace_ = noReplace; }
    // The modification time the new file gets (a copy keeps its original's).
    void SetModificationTime(const timespec& time) {
        mtime_ = time;
        keepTime_ = true;
    }

    // Writes all bytes, flushes them, renames the file over the target and flushes the
    // folder. Raises texts.cannotWrite on failure; the old file then stays as it was
    // (except for a failure to flush the folder, which comes after the rename).
    void Commit(std::span<const std::uint8_t> bytes);
    void Commit(std::string_view bytes);

    const std::string& Path() const { return path_; }

private:
    [[noreturn]] void Fail(std::string_view pattern);
    void CopyOwnerAndMode();
    bool RenameIntoPlace();

    std::string path_;   // as given, for messages
    std::string target_; // the file actually replaced (a link's target)
    std::string temporary_;
    AtomicFileTexts texts_;
    int fd_ = -1;
    bool executable_ = false;
    bool noReplace_ = false;
    bool keepTime_ = false;
    timespec mtime_{};
    bool committed_ = false;
};

// AtomicFile in one call.
void WriteFileAtomically(const std::string& path, std::string_view bytes, AtomicFileTexts texts,
                         bool executable = false);

// Test seam, used only by the save tests: called before each step of every save (each
// piece of the write, the flush, the rename, the folder flush) and once when it is done,
// with the bytes written so far. A test pauses or slows saves here to kill a process at a
// known point, or returns an errno value (for instance ENOSPC) to make that step fail as
// the system call would. Returning 0 lets the step go on.
enum class SaveStep { Write, Sync, Rename, SyncFolder, Done };
using SaveStepHook = std::function<int(SaveStep step, std::size_t bytesWritten)>;
void SetSaveStepHookForTesting(SaveStepHook hook);

// Bytes handed to one write call; a save of more calls the hook between the pieces.
inline constexpr std::size_t kSaveChunkBytes = 64 * 1024;

} // namespace folivex
