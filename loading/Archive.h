// Archives (zip/cbz, rar/cbr, 7z/cb7, tar/cbt) read as picture folders through libarchive:
// the list of entries, read once when the archive is opened, and one entry at a time
// read into memory. Nothing is ever written to disk. Zip archives are indexed from their
// central directory, so reaching any entry starts at its own local header; the other
// formats are read forward from the last position, starting again only to go back.
#pragma once

#include "core/Error.h"
#include "loading/PictureFile.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace folivex {

namespace msg {
inline constexpr std::string_view kArchiveTooManyEntries = FOLIVEX_TRANSLATE_NOOP(
    "Messages", "書庫 %s はファイルが多すぎます。最初の 100,000 個だけを表示します。");
inline constexpr std::string_view kArchiveEntryTooLarge = FOLIVEX_TRANSLATE_NOOP(
    "Messages", "書庫の中のファイル %s は大きすぎるため読み込めません (上限は 512 MB です)。");
inline constexpr std::string_view kArchiveDamaged = FOLIVEX_TRANSLATE_NOOP(
    "Messages", "書庫 %s は壊れています。読み取れたファイルだけを表示します。");
inline constexpr std::string_view kArchiveEntryDamaged =
    FOLIVEX_TRANSLATE_NOOP("Messages", "書庫の中のファイル %s は壊れています。");
inline constexpr std::string_view kArchivePassword = FOLIVEX_TRANSLATE_NOOP(
    "Messages", "書庫 %s はパスワードで保護されています。暗号化された画像は表示できません。");
} // namespace msg

// Raised for an archive or an entry that cannot be read; the text says which and why.
class EArchive : public Error {
public:
    explicit EArchive(const std::string& message) : Error(message) {}
};

// Raised by a listing whose watch asked it to stop; nothing of it is kept.
class ListingStopped : public std::exception {
public:
    const char* what() const noexcept override { return "listing stopped"; }
};

// Watches a listing from the thread that runs it: `stop` is asked before each entry and
// between the blocks read, `listed` is told the count of files met so far. Both are
// called with no lock of the archive or the shelf held.
struct ListingWatch {
    std::function<bool()> stop;
    std::function<void(std::size_t)> listed;
};

// What protects memory: the size of the one entry being read, and the length of the
// list. The size of the archive as a whole is no danger, as entries are read one by one.
struct ArchiveLimits {
    std::uint64_t maxEntrySize = kMaxPictureFileSize; // one entry, uncompressed
    std::size_t maxEntries = 100000;                  // files listed
};

// One file inside an archive. Directories, links and devices are never entries.
struct ArchiveEntry {
    std::string name;       // inner path, UTF-8; a mere name, never resolved on disk
    std::uint64_t size = 0; // uncompressed size as the archive declares it
    bool sizeKnown = true;  // some streamed entries declare no size
    bool encrypted = false; // needs a password this program does not ask for
};

// Random access to the bytes of an archive: a file kept open, or a block of memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Up to `length` bytes from `offset`: `data` points into the source, or into
    // `scratch` after reading them there. Returns the count, 0 at the end, -1 on a read
    // error. Safe from several threads at once.
    virtual std::ptrdiff_t ReadAt(std::uint64_t offset, std::size_t length,
                                  std::vector<std::uint8_t>& scratch,
                                  const std::uint8_t*& data) const = 0;
};

class Archive {
public:
    // Lists the archive. Raises "ﾌｧｲﾙ %s は開けません" when the file cannot be read or is no
    // archive. A damaged archive lists what can be read, and one with more files than the
    // limit lists the first ones; either keeps the first failure (FirstFailure).
    // A `watch` that asks to stop makes it raise ListingStopped.
    static std::shared_ptr<Archive> OpenFile(const std::string& path, ArchiveLimits limits = {},
                                             const ListingWatch* watch = nullptr);
    // The same over bytes in memory; `name` stands in for the path in messages.
    static std::shared_ptr<Archive> OpenMemory(std::vector<std::uint8_t> bytes,
                                               const std::string& name, ArchiveLimits limits = {},
                                               const ListingWatch* watch = nullptr);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    const std::string& Path() const { return path_; }
    // Every file entry that the listing reached, in archive order, each name once;
    // leftovers of other systems (IsLeftoverName) are left out.
    const std::vector<ArchiveEntry>& Entries() const { return entries_; }
    const ArchiveEntry* Find(std::string_view name) const;
    // The damage or length message when the listing stopped early; empty for a sound
    // archive that was listed whole.
    const std::string& FirstFailure() const { return failure_; }
    // True when any entry (or the listing itself) needs a password.
    bool HasEncryptedEntries() const { return encrypted_; }

    // The whole uncompressed content of one entry. Raises the entry errors above, and
    // "ﾌｧｲﾙ %s は開けません" for a name the archive does not hold. Thread-safe.
    std::vector<std::uint8_t> Read(std::string_view name) const;
    // Entries a forward reader passed on its way to the one asked for: in a solid or
    // compressed archive they were decompressed anyway, and a page turned back wants them.
    using PassedEntry = std::function<void(const std::string& name, std::vector<std::uint8_t>)>;
    // As Read; the entries right before it, up to `passBytes` in all, are handed to
    // `passed` when the reader goes through them (never for a zip, read entry by entry).
    std::vector<std::uint8_t> Read(std::string_view name, const PassedEntry& passed,
                                   std::uint64_t passBytes) const;
    // Frees the forward readers kept for the next reads, and the decompressor memory they
    // hold; a later read starts a new one.
    void DropReaders() const;

    struct Located; // where an entry starts; private to the implementation
private:
    Archive(std::string path, std::unique_ptr<ByteSource> source, ArchiveLimits limits);
    void List(const ListingWatch* watch);
    void CheckStop() const;
    bool ListZipDirectory();
    void ListSequentially();
    bool AddEntry(ArchiveEntry entry, const Located& where);
    std::vector<std::uint8_t> ReadZipEntry(const ArchiveEntry& entry, const Located& where) const;
    std::vector<std::uint8_t> ReadSequentialEntry(std::size_t index, const PassedEntry& passed,
                                                  std::uint64_t passBytes) const;
    std::uint64_t FirstPassedOrdinal(std::size_t index, std::uint64_t passBytes) const;
    const ArchiveEntry* EntryAtOrdinal(std::uint64_t ordinal) const;
    struct Cursor;
    std::unique_ptr<Cursor> TakeCursor(std::uint64_t ordinal) const;

    std::string path_;
    std::unique_ptr<ByteSource> source_;
    ArchiveLimits limits_;
    std::vector<ArchiveEntry> entries_;
    std::vector<Located> located_;
    std::unordered_map<std::string, std::size_t> byName_;
    std::string failure_;
    bool encrypted_ = false;
    bool zipIndexed_ = false;
    std::size_t reached_ = 0;             // file entries met so far, listed or not
    const ListingWatch* watch_ = nullptr; // during the listing only

    mutable std::mutex cursorMutex_;
    // Forward readers of the non-zip formats; a few, so that reads a little out of order
    // (worker threads) do not start from the beginning each time.
    mutable std::vector<std::unique_ptr<Cursor>> cursors_;
};

// Archive file names by extension, ignoring letter case: .zip .cbz .rar .cbr .7z .cb7
// .tar .cbt .tgz and .tar.gz/.tar.bz2/.tar.xz.
bool IsArchiveName(std::string_view name);
// The name without its archive extension ("book.cbz" -> "book", "set.tar.gz" -> "set").
std::string ArchiveStem(std::string_view name);
// A regular file with an archive name (a folder called "x.zip" is a folder).
bool IsArchiveFile(const std::string& path);

// What other systems leave beside the pictures of a folder or an archive, never a page:
// macOS resource forks (a "__MACOSX" folder anywhere, "._" files), Finder and Explorer
// files (.DS_Store, Thumbs.db, desktop.ini, in any letter case) and other hidden files
// (a name starting with "."). Only the last part of `path` can be hidden, so "../p.jpg"
// is not.
bool IsLeftoverName(std::string_view path);

// A picture path split at the archive that holds it: "/a/book.cbz/sub/p.jpg" gives the
// archive "/a/book.cbz" and the inner name "sub/p.jpg". The inner name is taken as it
// stands: no "..", "." or doubled "/" in it is ever resolved.
struct ArchiveMember {
    std::string archive;
    std::string inner;
};
std::optional<ArchiveMember> SplitArchiveMember(std::string_view path);

// The archives in use, each opened once and kept while its file is unchanged, so that
// turning pages, painting thumbnails and building the thumbnail cache share one index.
// Recently read entries are kept too, up to a number of bytes, so that a picture read
// again (its thumbnail's start, then the whole of it; a page turned back in a solid
// archive) is not decompressed again.
class ArchiveShelf {
public:
    static ArchiveShelf& Shared();
    static constexpr std::size_t kKeptArchives = 8;
    explicit ArchiveShelf(std::size_t storeBytes = std::size_t(256) << 20);
    ~ArchiveShelf();

    // The archive of that file, listed now unless it is open already. Raises as OpenFile.
    // The listing runs without the shelf's lock, so other threads read meanwhile.
    std::shared_ptr<Archive> Open(const std::string& archivePath,
                                  const ListingWatch* watch = nullptr);
    // The archive of that file when it is open and unchanged, else none: never lists.
    std::shared_ptr<Archive> Find(const std::string& archivePath);
    // One entry of that archive file, as Archive::Read; from the kept entries when it was
    // read lately and the file is unchanged.
    std::vector<std::uint8_t> Read(const std::string& archivePath, const std::string& inner);
    void Forget();

private:
    struct Kept;
    struct Stored;
    std::shared_ptr<Kept> OpenKept(const std::string& archivePath,
                                   const ListingWatch* watch = nullptr);
    std::shared_ptr<Kept> Shelve(std::shared_ptr<Kept> listed, const std::string& archivePath,
                                 const struct stat& info);
    std::shared_ptr<Kept> FindKept(const std::string& archivePath, const struct stat& info);
    void Store(std::uint64_t serial, const std::string& inner,
               std::shared_ptr<const std::vector<std::uint8_t>> bytes);
    void DropStored(std::uint64_t serial);

    std::mutex mutex_;
    std::vector<std::shared_ptr<Kept>> kept_; // most recently used first
    std::vector<Stored> stored_;              // least recently used first
    std::size_t storeBytes_;
    std::size_t storedBytes_ = 0;
    std::uint64_t nextSerial_ = 0;
};

// The bytes of a listed picture: the entry of an archive when a leading part of the path
// is an archive file, else the file itself. Raises the reader's error.
std::vector<std::uint8_t> ReadPictureBytes(const std::string& path);
// At most the first `limit` bytes of a listed picture (an archive entry whole).
std::vector<std::uint8_t> ReadPictureStart(const std::string& path, std::size_t limit);
// Whether ReadPictureBytes would find something to read (an entry or a regular file).
// An archive is never listed for it: one that is not open holds nothing yet.
bool PictureExists(const std::string& path);

} // namespace folivex
