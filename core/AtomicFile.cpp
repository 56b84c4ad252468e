#include "core/AtomicFile.h"

#include "core/Error.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace folivex {

namespace {

SaveStepHook& Hook() {
    static SaveStepHook hook;
    return hook;
}

// The errno a test makes this step fail with, or 0.
int InjectedFailure(SaveStep step, std::size_t written) {
    return Hook() ? Hook()(step, written) : 0;
}

constexpr std::string_view kTemporaryPrefix = ".folivex-save-";

// The process that made a temporary file ".folivex-save-PID-XXXXXX", or 0.
pid_t CreatorOf(std::string_view name) {
    if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix)
        return 0;
    name.remove_prefix(kTemporaryPrefix.size());
    long pid = 0;
    std::size_t i = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < INT_MAX / 10; ++i)
        pid = pid * 10 + (name[i] - '0');
    return i > 0 && i < name.size() && name[i] == '-' ? pid_t(pid) : 0;
}

// A save killed part-way leaves its temporary file behind; the next save into the same
// folder removes those whose process has gone. A live process's file is its own.
void RemoveOrphanedTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t pid = CreatorOf(entry->d_name);
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Saving replaces what a link points to, not the link itself.
std::string ThroughLinks(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// A file its owner has made read-only is refused even where the caller could rename
// over it (as root, or in a writable folder).
bool IsReadOnly(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (const int injected = InjectedFailure(SaveStep::Write, done)) {
            errno = injected;
            return false;
        }
        const std::size_t piece = std::min(kSaveChunkBytes, bytes.size() - done);
        const ssize_t n = ::write(fd, bytes.data() + done, piece);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

bool SyncFolder(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    // Some file systems cannot flush a folder; the rename is then as safe as they allow.
    const bool ok = ::fsync(dir) == 0 || errno == EINVAL;
    return ::close(dir) == 0 && ok;
}

} // namespace

void SetSaveStepHookForTesting(SaveStepHook hook) {
    Hook() = std::move(hook);
}

AtomicFile::AtomicFile(std::string path, AtomicFileTexts texts)
    : path_(std::move(path)), target_(ThroughLinks(path_)), texts_(texts) {
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || IsReadOnly(target_, st)))
        Fail(texts_.cannotWrite);
    // A short name of its own, so a target name near the file system's limit still
    // leaves room for it; the leading dot keeps it out of file listings.
    const std::string folder = FolderOf(target_);
    RemoveOrphanedTemporaries(folder);
    temporary_ =
        folder + "/" + std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-XXXXXX";
    fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        temporary_.clear();
        Fail(texts_.cannotCreate);
    }
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!committed_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
}

void AtomicFile::Fail(std::string_view pattern) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
    throw Error(FormatMessage(pattern, path_));
}

// The new file takes the old one's permissions (and, for root, its owner); a file
// that did not exist gets what an ordinary new file would, not mkstemp's 0600.
void AtomicFile::CopyOwnerAndMode() {
    struct stat old {};
    mode_t mode = 0666 & ~CurrentUmask();
    if (::stat(target_.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
        // Best effort: only root may give a file away, and a file system that keeps no
        // owners refuses; the contents are saved either way.
        if (::geteuid() == 0 && ::fchown(fd_, old.st_uid, old.st_gid) != 0)
            errno = 0;
    }
    if (executable_)
        mode |= (mode & 0444) >> 2;
    if (::fchmod(fd_, mode) != 0)
        Fail(texts_.cannotWrite);
}

bool AtomicFile::RenameIntoPlace() {
    if (!noReplace_)
        return ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: a hard link fails on an existing name
    // just as well; the temporary name then goes.
    if (::link(temporary_.c_str(), target_.c_str()) != 0)
        return false;
    ::unlink(temporary_.c_str());
    return true;
}

void AtomicFile::Commit(std::string_view bytes) {
    Commit(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void AtomicFile::Commit(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0 || committed_)
        Fail(texts_.cannotWrite);
    if (!WriteAll(fd_, bytes))
        Fail(texts_.cannotWrite);
    CopyOwnerAndMode();
    const timespec times[2] = {{0, UTIME_OMIT}, mtime_};
    if (keepTime_ && ::futimens(fd_, times) != 0)
        Fail(texts_.cannotWrite);
    if (InjectedFailure(SaveStep::Sync, bytes.size()) != 0 || ::fsync(fd_) != 0)
        Fail(texts_.cannotWrite);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || InjectedFailure(SaveStep::Rename, bytes.size()) != 0 || !RenameIntoPlace())
        Fail(texts_.cannotWrite);
    temporary_.clear(); // it is the target now
    committed_ = true;
    if (InjectedFailure(SaveStep::SyncFolder, bytes.size()) != 0 || !SyncFolder(FolderOf(target_)))
        Fail(texts_.cannotWrite);
    static_cast<void>(InjectedFailure(SaveStep::Done, bytes.size()));
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, AtomicFileTexts texts,
                         bool executable) {
    AtomicFile file(path, texts);
    file.SetExecutable(executable);
    file.Commit(bytes);
}

} // namespace folivex
