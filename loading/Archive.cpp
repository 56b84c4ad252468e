#include "loading/Archive.h"

#include "core/Paths.h"
#include "core/TextCodec.h"
#include "loading/PictureFile.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace folivex {

// Zip entries start at their own local header; entries of other formats are counted
// from the start of the archive.
struct Archive::Located {
    std::uint64_t offset = 0;  // zip: the local header, from the start of the file
    std::uint64_t ordinal = 0; // others: how many headers come before this one
};

namespace {

constexpr std::size_t kChunk = std::size_t(1) << 20;
// A central directory larger than this is no picture archive.
constexpr std::uint64_t kMaxCentralDirectory = std::uint64_t(256) << 20;

// ---- byte sources ----

class FileSource : public ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~FileSource() override { ::close(fd_); }
    std::uint64_t Size() const override { return size_; }
    std::ptrdiff_t ReadAt(std::uint64_t offset, std::size_t length,
                          std::vector<std::uint8_t>& scratch,
                          const std::uint8_t*& data) const override {
        if (offset >= size_)
            return 0;
        length = std::size_t(std::min<std::uint64_t>(length, size_ - offset));
        scratch.resize(std::max(scratch.size(), length));
        for (;;) {
            const ssize_t got = ::pread(fd_, scratch.data(), length, off_t(offset));
            if (got < 0 && errno == EINTR)
                continue;
            data = scratch.data();
            return got;
        }
    }

private:
    int fd_;
    std::uint64_t size_;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::ptrdiff_t ReadAt(std::uint64_t offset, std::size_t length, std::vector<std::uint8_t>&,
                          const std::uint8_t*& data) const override {
        if (offset >= bytes_.size())
            return 0;
        data = bytes_.data() + offset;
        return std::ptrdiff_t(std::min<std::uint64_t>(length, bytes_.size() - offset));
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// Exactly `length` bytes from `offset`, or nothing when the source is shorter.
std::optional<std::vector<std::uint8_t>> ReadExact(const ByteSource& source, std::uint64_t offset,
                                                   std::size_t length) {
    if (offset > source.Size() || length > source.Size() - offset)
        return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(length);
    std::vector<std::uint8_t> scratch;
    while (out.size() < length) {
        const std::uint8_t* data = nullptr;
        const std::ptrdiff_t got =
            source.ReadAt(offset + out.size(), length - out.size(), scratch, data);
        if (got <= 0)
            return std::nullopt;
        out.insert(out.end(), data, data + got);
    }
    return out;
}

// ---- libarchive over a byte source ----

// One reader's view of the source, starting at `start` (a zip entry's local header).
struct Stream {
    const ByteSource* source = nullptr;
    const ListingWatch* watch = nullptr; // a listing's, asked between blocks
    std::uint64_t start = 0;
    std::uint64_t position = 0; // from start
    std::vector<std::uint8_t> scratch;

    std::uint64_t Length() const { return source->Size() - start; }
};

la_ssize_t ReadCallback(struct archive* a, void* data, const void** buffer) {
    auto* s = static_cast<Stream*>(data);
    // One entry of a solid archive may take long to pass: a stop asked meanwhile ends
    // the read here, and the listing raises it.
    if (s->watch && s->watch->stop && s->watch->stop()) {
        archive_set_error(a, ECANCELED, "stopped");
        return -1;
    }
    const std::uint8_t* bytes = nullptr;
    const std::ptrdiff_t got = s->source->ReadAt(s->start + s->position, kChunk, s->scratch, bytes);
    if (got < 0) {
        archive_set_error(a, EIO, "read error");
        return -1;
    }
    *buffer = bytes;
    s->position += std::uint64_t(got);
    return got;
}

la_int64_t SkipCallback(struct archive*, void* data, la_int64_t request) {
    auto* s = static_cast<Stream*>(data);
    if (request <= 0)
        return 0;
    // Never past the end: the reader then finds the archive truncated.
    const std::uint64_t skip = std::min<std::uint64_t>(
        std::uint64_t(request), s->Length() - std::min(s->Length(), s->position));
    s->position += skip;
    return la_int64_t(skip);
}

la_int64_t SeekCallback(struct archive*, void* data, la_int64_t offset, int whence) {
    auto* s = static_cast<Stream*>(data);
    const auto length = la_int64_t(s->Length());
    la_int64_t base = 0;
    if (whence == SEEK_CUR)
        base = la_int64_t(s->position);
    else if (whence == SEEK_END)
        base = length;
    if ((offset > 0 && base > length - offset) || base + offset < 0)
        return ARCHIVE_FATAL;
    s->position = std::uint64_t(base + offset);
    return la_int64_t(s->position);
}

struct ArchiveFree {
    void operator()(struct archive* a) const { archive_read_free(a); }
};

// A libarchive reader and the view it reads through (kept at one address).
struct Reader {
    std::unique_ptr<struct archive, ArchiveFree> handle;
    std::unique_ptr<Stream> stream;
    struct archive* get() const {
        return handle.get();
    }
};

std::string ErrorText(struct archive* a) {
    const char* text = archive_error_string(a);
    return text ? text : "unknown error";
}

// Only formats and decompressors built into the library: no external programs are ever
// started on a file, and no format that refers to other files on disk (mtree) is read.
void SupportFormats(struct archive* a, bool zipEntryOnly) {
    if (zipEntryOnly) {
        archive_read_support_format_zip_streamable(a);
        return;
    }
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_bzip2(a);
    archive_read_support_filter_xz(a);
    archive_read_support_format_zip(a);
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    archive_read_support_format_7zip(a);
    archive_read_support_format_tar(a);
}

// Opens a reader at `start`; an unreadable start gives a reader without a handle and
// the library's message in `error`.
Reader OpenReader(const ByteSource& source, std::uint64_t start, bool zipEntryOnly,
                  std::string& error, const ListingWatch* watch = nullptr) {
    Reader r;
    r.handle.reset(archive_read_new());
    r.stream = std::make_unique<Stream>();
    r.stream->source = &source;
    r.stream->start = start;
    r.stream->watch = watch;
    struct archive* a = r.get();
    SupportFormats(a, zipEntryOnly);
    archive_read_set_read_callback(a, ReadCallback);
    archive_read_set_skip_callback(a, SkipCallback);
    archive_read_set_seek_callback(a, SeekCallback);
    archive_read_set_callback_data(a, r.stream.get());
    if (archive_read_open1(a) != ARCHIVE_OK) {
        error = ErrorText(a);
        r.handle.reset();
    }
    return r;
}

bool LooksEncrypted(struct archive* a, const std::string& error) {
    return archive_read_has_encrypted_entries(a) > 0 || error.find("ncrypt") != std::string::npos ||
           error.find("assphrase") != std::string::npos;
}

std::string DamageText(std::string_view pattern, std::string_view what, const std::string& detail) {
    return FormatMessage(pattern, what) + "\n(" + detail + ")";
}

// The whole content of the entry a reader stands at, never more than `limit` bytes nor
// more than the entry declares.
std::vector<std::uint8_t> ReadEntryData(struct archive* a, const ArchiveEntry& entry,
                                        std::uint64_t limit) {
    const std::uint64_t allowed = entry.sizeKnown ? std::min(entry.size, limit) : limit;
    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(entry.sizeKnown ? allowed : 0));
    for (;;) {
        const void* block = nullptr;
        std::size_t length = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(a, &block, &length, &offset);
        if (r == ARCHIVE_EOF)
            break;
        // A warning here is a wrong checksum or size: the data came, but it is not the
        // stored picture, and showing or caching it would pass damage for a page.
        if (r != ARCHIVE_OK)
            throw EArchive(DamageText(msg::kArchiveEntryDamaged, entry.name, ErrorText(a)));
        if (offset < 0 || std::uint64_t(offset) < out.size())
            throw EArchive(DamageText(msg::kArchiveEntryDamaged, entry.name, "data out of order"));
        if (std::uint64_t(offset) > allowed || length > allowed - std::uint64_t(offset)) {
            // An entry of no declared size is too large; beyond the declared size it is a
            // lying header (a zip bomb, or damage).
            if (!entry.sizeKnown)
                throw EArchive(FormatMessage(msg::kArchiveEntryTooLarge, entry.name));
            throw EArchive(DamageText(msg::kArchiveEntryDamaged, entry.name,
                                      "more data than the archive declares"));
        }
        out.resize(std::size_t(offset)); // a sparse hole reads as zeros
        const auto* bytes = static_cast<const std::uint8_t*>(block);
        out.insert(out.end(), bytes, bytes + length);
    }
    return out;
}

// ---- names ----

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t n = c < 0x80           ? 1
                        : (c >> 5) == 0x6  ? 2
                        : (c >> 4) == 0xE  ? 3
                        : (c >> 3) == 0x1E ? 4
                                           : 0;
        if (n == 0 || i + n > text.size())
            return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        if ((n == 2 && c < 0xC2) || (n == 4 && c > 0xF4))
            return false;
        i += n;
    }
    return true;
}

// A stored name as the program's text: UTF-8 when it is valid UTF-8, else the Windows
// code page that Japanese archivers write. Control characters (NUL, line breaks) could
// end or split the name in an album file; they become U+FFFD.
std::string EntryName(std::string_view raw) {
    const std::string text = IsValidUtf8(raw) ? std::string(raw) : Cp932ToUtf8(raw);
    std::string name;
    name.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            name += "\xEF\xBF\xBD";
        else
            name += c;
    }
    return name;
}

// ---- zip central directory ----

std::uint16_t U16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(U16(p)) | (std::uint32_t(U16(p + 2)) << 16);
}
std::uint64_t U64(const std::uint8_t* p) {
    return std::uint64_t(U32(p)) | (std::uint64_t(U32(p + 4)) << 32);
}
bool Signature(const std::uint8_t* p, std::uint8_t third, std::uint8_t fourth) {
    return p[0] == 'P' && p[1] == 'K' && p[2] == third && p[3] == fourth;
}

struct ZipEnd {
    std::uint64_t directoryOffset = 0; // as stored (before the prefix shift)
    std::uint64_t directorySize = 0;
    std::uint64_t directoryEnd = 0; // where the directory really ends in the file
};

std::optional<ZipEnd> FindZipEnd(const ByteSource& source) {
    const std::uint64_t size = source.Size();
    if (size < 22)
        return std::nullopt;
    const std::uint64_t tailLength = std::min<std::uint64_t>(size, 22 + 65535);
    const auto tail = ReadExact(source, size - tailLength, std::size_t(tailLength));
    if (!tail)
        return std::nullopt;
    for (std::size_t i = std::size_t(tailLength) - 22 + 1; i-- > 0;) {
        const std::uint8_t* e = tail->data() + i;
        if (!Signature(e, 5, 6))
            continue;
        ZipEnd end;
        end.directorySize = U32(e + 12);
        end.directoryOffset = U32(e + 16);
        end.directoryEnd = size - tailLength + i;
        const bool zip64 =
            U16(e + 10) == 0xFFFF || U32(e + 12) == 0xFFFFFFFF || U32(e + 16) == 0xFFFFFFFF;
        if (zip64 && end.directoryEnd >= 20) {
            const auto locator = ReadExact(source, end.directoryEnd - 20, 20);
            if (locator && Signature(locator->data(), 6, 7)) {
                const std::uint64_t at = U64(locator->data() + 8);
                const auto record = ReadExact(source, at, 56);
                if (record && Signature(record->data(), 6, 6)) {
                    end.directorySize = U64(record->data() + 40);
                    end.directoryOffset = U64(record->data() + 48);
                    end.directoryEnd = at;
                }
            }
        }
        return end;
    }
    return std::nullopt;
}

struct ZipRecord {
    std::string rawName;
    std::uint16_t flags = 0, method = 0, madeBy = 0;
    std::uint32_t externalAttributes = 0;
    std::uint64_t size = 0, localOffset = 0;
};

// The zip64 extra field holds the 64-bit values of exactly the fields stored as all ones.
void ApplyZip64Extra(ZipRecord& r, const std::uint8_t* extra, std::size_t length,
                     std::uint32_t storedSize, std::uint32_t storedCompressed,
                     std::uint32_t storedOffset) {
    std::size_t at = 0;
    while (at + 4 <= length) {
        const std::uint16_t id = U16(extra + at);
        const std::uint16_t n = U16(extra + at + 2);
        if (at + 4 + n > length)
            return;
        if (id == 0x0001) {
            const std::uint8_t* p = extra + at + 4;
            std::size_t left = n;
            auto take = [&](std::uint64_t& field) {
                if (left >= 8) {
                    field = U64(p);
                    p += 8;
                    left -= 8;
                }
            };
            std::uint64_t compressed = 0;
            if (storedSize == 0xFFFFFFFF)
                take(r.size);
            if (storedCompressed == 0xFFFFFFFF)
                take(compressed);
            if (storedOffset == 0xFFFFFFFF)
                take(r.localOffset);
            return;
        }
        at += 4 + n;
    }
}

// Parses one central directory record at `at`; false when it is not a whole record.
bool ParseZipRecord(const std::vector<std::uint8_t>& cd, std::size_t& at, ZipRecord& r) {
    if (cd.size() - at < 46 || !Signature(cd.data() + at, 1, 2))
        return false;
    const std::uint8_t* p = cd.data() + at;
    const std::size_t nameLength = U16(p + 28), extraLength = U16(p + 30),
                      commentLength = U16(p + 32);
    if (cd.size() - at - 46 < nameLength + extraLength + commentLength)
        return false;
    r.madeBy = U16(p + 4);
    r.flags = U16(p + 8);
    r.method = U16(p + 10);
    r.size = U32(p + 24);
    r.externalAttributes = U32(p + 38);
    r.localOffset = U32(p + 42);
    r.rawName.assign(reinterpret_cast<const char*>(p + 46), nameLength);
    ApplyZip64Extra(r, p + 46 + nameLength, extraLength, U32(p + 24), U32(p + 20), U32(p + 42));
    at += 46 + nameLength + extraLength + commentLength;
    return true;
}

bool IsZipFile(const ZipRecord& r) {
    if (r.rawName.empty() || r.rawName.back() == '/' || r.rawName.back() == '\\')
        return false;
    constexpr std::uint16_t kUnix = 3;
    const std::uint32_t mode = r.externalAttributes >> 16;
    if ((r.madeBy >> 8) == kUnix && (mode & S_IFMT) != 0 && (mode & S_IFMT) != S_IFREG)
        return false; // links and devices are not pictures and are never followed
    constexpr std::uint32_t kDosDirectory = 0x10;
    return (r.externalAttributes & kDosDirectory) == 0 || (r.madeBy >> 8) == kUnix;
}

bool IsZipEncrypted(const ZipRecord& r) {
    constexpr std::uint16_t kEncrypted = 0x0001, kStrongEncryption = 0x0040, kAes = 99;
    return (r.flags & (kEncrypted | kStrongEncryption)) != 0 || r.method == kAes;
}

} // namespace

// ---- Archive ----

struct Archive::Cursor {
    Reader reader;
    std::uint64_t next = 0; // ordinal of the next header
};

Archive::Archive(std::string path, std::unique_ptr<ByteSource> source, ArchiveLimits limits)
    : path_(std::move(path)), source_(std::move(source)), limits_(limits) {}

Archive::~Archive() = default;

std::shared_ptr<Archive> Archive::OpenFile(const std::string& path, ArchiveLimits limits,
                                           const ListingWatch* watch) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        throw Error(FormatMessage(msg::kCannotOpen, path));
    }
    auto source = std::make_unique<FileSource>(fd, std::uint64_t(info.st_size));
    std::shared_ptr<Archive> archive(new Archive(path, std::move(source), limits));
    archive->List(watch);
    return archive;
}

std::shared_ptr<Archive> Archive::OpenMemory(std::vector<std::uint8_t> bytes,
                                             const std::string& name, ArchiveLimits limits,
                                             const ListingWatch* watch) {
    auto source = std::make_unique<MemorySource>(std::move(bytes));
    std::shared_ptr<Archive> archive(new Archive(name, std::move(source), limits));
    archive->List(watch);
    return archive;
}

void Archive::List(const ListingWatch* watch) {
    watch_ = watch;
    struct Unwatch {
        const ListingWatch*& watch;
        ~Unwatch() { watch = nullptr; }
    } unwatch{watch_};
    if (!ListZipDirectory())
        ListSequentially();
    CheckStop(); // a stop that ended a read looks like damage until here
}

void Archive::CheckStop() const {
    if (watch_ && watch_->stop && watch_->stop())
        throw ListingStopped();
}

// False when the list is as long as it may grow: the listing stops there. Sizes are
// not summed: each entry is refused on its own when it is read.
bool Archive::AddEntry(ArchiveEntry entry, const Located& where) {
    CheckStop();
    if (watch_ && watch_->listed)
        watch_->listed(std::min(reached_ + 1, limits_.maxEntries));
    if (reached_++ >= limits_.maxEntries) {
        if (failure_.empty())
            failure_ = FormatMessage(msg::kArchiveTooManyEntries, path_);
        return false;
    }
    if (IsLeftoverName(entry.name))
        return true;
    encrypted_ = encrypted_ || entry.encrypted;
    // The first of several entries of one name is the one listed, as a folder lists a
    // name once.
    if (byName_.emplace(entry.name, entries_.size()).second) {
        entries_.push_back(std::move(entry));
        located_.push_back(where);
    }
    return true;
}

// Lists a zip from its central directory. False when the data is not a zip whose
// directory can be found (a truncated zip is then read from its start instead).
bool Archive::ListZipDirectory() {
    const auto head = ReadExact(*source_, 0, 4);
    if (!head || !(Signature(head->data(), 3, 4) || Signature(head->data(), 5, 6)))
        return false;
    const std::optional<ZipEnd> end = FindZipEnd(*source_);
    if (!end || end->directorySize > kMaxCentralDirectory ||
        end->directoryOffset > end->directoryEnd ||
        end->directorySize > end->directoryEnd - end->directoryOffset)
        return false;
    // Data in front of the archive (a self-extractor) shifts every stored offset.
    const std::uint64_t shift = end->directoryEnd - end->directoryOffset - end->directorySize;
    const auto cd =
        ReadExact(*source_, end->directoryOffset + shift, std::size_t(end->directorySize));
    if (!cd)
        return false;
    zipIndexed_ = true;
    std::size_t at = 0;
    ZipRecord record;
    while (at < cd->size()) {
        if (!ParseZipRecord(*cd, at, record)) {
            failure_ = DamageText(msg::kArchiveDamaged, path_, "central directory");
            break;
        }
        if (!IsZipFile(record))
            continue;
        Located where;
        where.offset = record.localOffset + shift;
        if (source_->Size() < 30 || record.localOffset > source_->Size() ||
            where.offset > source_->Size() - 30) {
            if (failure_.empty())
                failure_ = DamageText(msg::kArchiveDamaged, path_, "entry outside the file");
            continue;
        }
        if (!AddEntry({EntryName(record.rawName), record.size, true, IsZipEncrypted(record)},
                      where))
            break;
    }
    return true;
}

// Lists any other archive by reading it from its start, entry after entry.
void Archive::ListSequentially() {
    std::string error;
    Reader reader = OpenReader(*source_, 0, false, error, watch_);
    if (!reader.handle) {
        CheckStop();
        throw Error(FormatMessage(msg::kCannotOpen, path_));
    }
    struct archive* a = reader.get();
    for (std::uint64_t ordinal = 0;; ++ordinal) {
        CheckStop();
        struct archive_entry* header = nullptr;
        const int r = archive_read_next_header(a, &header);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN) {
            error = ErrorText(a);
            if (LooksEncrypted(a, error))
                encrypted_ = true;
            else
                failure_ = DamageText(msg::kArchiveDamaged, path_, error);
            break;
        }
        if (archive_entry_filetype(header) != AE_IFREG)
            continue;
        const char* utf8 = archive_entry_pathname_utf8(header);
        const char* raw = utf8 ? utf8 : archive_entry_pathname(header);
        ArchiveEntry entry;
        entry.name = EntryName(raw ? raw : "");
        entry.sizeKnown = archive_entry_size_is_set(header) != 0;
        entry.size = std::uint64_t(std::max<la_int64_t>(0, archive_entry_size(header)));
        entry.encrypted = archive_entry_is_encrypted(header) != 0;
        if (entry.name.empty())
            continue;
        // Skipping the data now tells whether this entry is whole.
        if (!entry.encrypted && archive_read_data_skip(a) < ARCHIVE_WARN) {
            failure_ = DamageText(msg::kArchiveDamaged, path_, ErrorText(a));
            break;
        }
        Located where;
        where.ordinal = ordinal;
        if (!AddEntry(std::move(entry), where))
            break;
    }
    if (archive_read_has_encrypted_entries(a) > 0)
        encrypted_ = true;
}

const ArchiveEntry* Archive::Find(std::string_view name) const {
    const auto it = byName_.find(std::string(name));
    return it == byName_.end() ? nullptr : &entries_[it->second];
}

std::vector<std::uint8_t> Archive::Read(std::string_view name) const {
    return Read(name, {}, 0);
}

std::vector<std::uint8_t> Archive::Read(std::string_view name, const PassedEntry& passed,
                                        std::uint64_t passBytes) const {
    const auto it = byName_.find(std::string(name));
    if (it == byName_.end())
        throw Error(FormatMessage(msg::kCannotOpen, path_ + "/" + std::string(name)));
    const ArchiveEntry& entry = entries_[it->second];
    if (entry.encrypted)
        throw EArchive(FormatMessage(msg::kArchivePassword, path_));
    if (entry.sizeKnown && entry.size > limits_.maxEntrySize)
        throw EArchive(FormatMessage(msg::kArchiveEntryTooLarge, entry.name));
    if (zipIndexed_)
        return ReadZipEntry(entry, located_[it->second]);
    return ReadSequentialEntry(it->second, passed, passBytes);
}

// Every zip read has its own reader starting at the entry's local header, so reads
// from several threads need no lock.
std::vector<std::uint8_t> Archive::ReadZipEntry(const ArchiveEntry& entry,
                                                const Located& where) const {
    std::string error;
    Reader reader = OpenReader(*source_, where.offset, true, error);
    struct archive_entry* header = nullptr;
    if (!reader.handle || archive_read_next_header(reader.get(), &header) < ARCHIVE_WARN)
        throw EArchive(DamageText(msg::kArchiveEntryDamaged, entry.name,
                                  reader.handle ? ErrorText(reader.get()) : error));
    return ReadEntryData(reader.get(), entry, limits_.maxEntrySize);
}

// Other formats are read forward: the next picture continues from the last one, and
// only a step back starts again from the beginning.
std::vector<std::uint8_t> Archive::ReadSequentialEntry(std::size_t index, const PassedEntry& passed,
                                                       std::uint64_t passBytes) const {
    const ArchiveEntry& entry = entries_[index];
    const Located& where = located_[index];
    const std::uint64_t firstPassed = passed ? FirstPassedOrdinal(index, passBytes) : where.ordinal;
    std::lock_guard lock(cursorMutex_);
    std::unique_ptr<Cursor> cursor = TakeCursor(where.ordinal);
    if (!cursor) {
        std::string error;
        cursor = std::make_unique<Cursor>();
        cursor->reader = OpenReader(*source_, 0, false, error);
        if (!cursor->reader.handle)
            throw EArchive(DamageText(msg::kArchiveEntryDamaged, entry.name, error));
    }
    struct archive* a = cursor->reader.get();
    while (cursor->next <= where.ordinal) {
        struct archive_entry* header = nullptr;
        if (archive_read_next_header(a, &header) < ARCHIVE_WARN)
            throw EArchive(DamageText(msg::kArchiveEntryDamaged, entry.name, ErrorText(a)));
        const std::uint64_t ordinal = cursor->next++;
        const ArchiveEntry* near =
            ordinal >= firstPassed && ordinal < where.ordinal ? EntryAtOrdinal(ordinal) : nullptr;
        if (!near)
            continue;
        try {
            passed(near->name, ReadEntryData(a, *near, limits_.maxEntrySize));
        } catch (const EArchive&) {
            // A damaged neighbour is reported when it is read itself; the next header
            // is found past it as a skip would.
        }
    }
    // A reader that failed inside an entry stands nowhere useful and is dropped.
    std::vector<std::uint8_t> data = ReadEntryData(a, entry, limits_.maxEntrySize);
    constexpr std::size_t kCursors = 3;
    if (cursors_.size() >= kCursors)
        cursors_.erase(cursors_.begin()); // the least recently used
    cursors_.push_back(std::move(cursor));
    return data;
}

// The ordinal from which the entries before `index` add up to at most `passBytes`.
std::uint64_t Archive::FirstPassedOrdinal(std::size_t index, std::uint64_t passBytes) const {
    std::uint64_t first = located_[index].ordinal;
    std::uint64_t sum = 0;
    for (std::size_t i = index; i-- > 0;) {
        const ArchiveEntry& e = entries_[i];
        if (!e.sizeKnown || e.encrypted || e.size > passBytes - sum)
            break;
        sum += e.size;
        first = located_[i].ordinal;
    }
    return first;
}

// The listed entry at that ordinal; ordinals grow with the list in a sequential archive.
const ArchiveEntry* Archive::EntryAtOrdinal(std::uint64_t ordinal) const {
    const auto it = std::lower_bound(
        located_.begin(), located_.end(), ordinal,
        [](const Located& where, std::uint64_t value) { return where.ordinal < value; });
    if (it == located_.end() || it->ordinal != ordinal)
        return nullptr;
    return &entries_[std::size_t(it - located_.begin())];
}

void Archive::DropReaders() const {
    std::lock_guard lock(cursorMutex_);
    cursors_.clear();
}

// The reader closest before the entry, taken out of the pool; none when every reader
// has passed it already.
std::unique_ptr<Archive::Cursor> Archive::TakeCursor(std::uint64_t ordinal) const {
    auto best = cursors_.end();
    for (auto it = cursors_.begin(); it != cursors_.end(); ++it) {
        if ((*it)->next <= ordinal && (best == cursors_.end() || (*it)->next > (*best)->next))
            best = it;
    }
    if (best == cursors_.end())
        return nullptr;
    std::unique_ptr<Cursor> cursor = std::move(*best);
    cursors_.erase(best);
    return cursor;
}

// ---- names of archive files ----

namespace {

constexpr std::string_view kArchiveExtensions[] = {".tar.gz", ".tar.bz2", ".tar.xz", ".zip",
                                                   ".cbz",    ".rar",     ".cbr",    ".7z",
                                                   ".cb7",    ".tar",     ".cbt",    ".tgz"};

std::size_t ArchiveExtensionLength(std::string_view name) {
    for (std::string_view ext : kArchiveExtensions) {
        if (name.size() <= ext.size())
            continue;
        const std::string_view tail = name.substr(name.size() - ext.size());
        bool same = true;
        for (std::size_t i = 0; i < ext.size() && same; ++i) {
            const char c = tail[i];
            same = (c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c) == ext[i];
        }
        if (same)
            return ext.size();
    }
    return 0;
}

} // namespace

bool IsArchiveName(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    return ArchiveExtensionLength(base) > 0;
}

std::string ArchiveStem(std::string_view name) {
    return std::string(name.substr(0, name.size() - ArchiveExtensionLength(name)));
}

bool IsArchiveFile(const std::string& path) {
    return IsArchiveName(path) && FileExists(path);
}

namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

bool IsLeftoverName(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t slash; (slash = path.find('/', start)) != std::string_view::npos;
         start = slash + 1) {
        if (SameIgnoringAsciiCase(path.substr(start, slash - start), "__MACOSX"))
            return true;
    }
    const std::string_view base = path.substr(start);
    return base.empty() || base.front() == '.' || SameIgnoringAsciiCase(base, "__MACOSX") ||
           SameIgnoringAsciiCase(base, "Thumbs.db") || SameIgnoringAsciiCase(base, "desktop.ini");
}

std::optional<ArchiveMember> SplitArchiveMember(std::string_view path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string_view::npos;
         slash = path.find('/', slash + 1)) {
        const std::string prefix(path.substr(0, slash));
        if (IsArchiveFile(prefix))
            return ArchiveMember{prefix, std::string(path.substr(slash + 1))};
    }
    return std::nullopt;
}

// ---- the shelf ----

struct ArchiveShelf::Kept {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};
    std::uint64_t serial = 0; // names its stored entries, never reused
    std::shared_ptr<Archive> archive;

    bool Same(const struct stat& s) const {
        return s.st_dev == device && s.st_ino == inode && s.st_size == size &&
               s.st_mtim.tv_sec == modified.tv_sec && s.st_mtim.tv_nsec == modified.tv_nsec;
    }
};

struct ArchiveShelf::Stored {
    std::uint64_t serial = 0;
    std::string inner;
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
};

ArchiveShelf::ArchiveShelf(std::size_t storeBytes) : storeBytes_(storeBytes) {}
ArchiveShelf::~ArchiveShelf() = default;

ArchiveShelf& ArchiveShelf::Shared() {
    static ArchiveShelf shelf;
    return shelf;
}

std::shared_ptr<ArchiveShelf::Kept> ArchiveShelf::OpenKept(const std::string& archivePath,
                                                           const ListingWatch* watch) {
    struct stat info {};
    if (::stat(archivePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw Error(FormatMessage(msg::kCannotOpen, archivePath));
    if (auto kept = Shelve(nullptr, archivePath, info))
        return kept;
    // Listed without the lock: a solid archive may take seconds, while other threads
    // read the archives already kept.
    auto listed = std::make_shared<Kept>();
    listed->path = archivePath;
    listed->device = info.st_dev;
    listed->inode = info.st_ino;
    listed->size = info.st_size;
    listed->modified = info.st_mtim;
    listed->archive = Archive::OpenFile(archivePath, {}, watch);
    return Shelve(std::move(listed), archivePath, info);
}

// The kept archive of that file, else `listed` put on the shelf (none when there is
// none); another thread may have shelved the same file meanwhile, which then stays.
std::shared_ptr<ArchiveShelf::Kept> ArchiveShelf::Shelve(std::shared_ptr<Kept> listed,
                                                         const std::string& archivePath,
                                                         const struct stat& info) {
    std::shared_ptr<Kept> kept, idle;
    {
        std::lock_guard lock(mutex_);
        kept = FindKept(archivePath, info);
        if (!kept && !listed)
            return nullptr;
        if (!kept) {
            kept = std::move(listed);
            kept->serial = nextSerial_++;
            kept_.insert(kept_.begin(), kept);
        }
        // The album's archive and the ones met lately (folder tree choices, albums
        // opened); only the two most recent keep their readers, which may hold large
        // dictionaries.
        while (kept_.size() > kKeptArchives) {
            DropStored(kept_.back()->serial);
            kept_.pop_back();
        }
        if (kept_.size() > 2)
            idle = kept_[2];
    }
    if (idle)
        idle->archive->DropReaders(); // may wait for a read of its own, so not under the lock
    return kept;
}

// Under the lock: the kept archive of that path moved to the front, or none when it is
// not kept or its file changed since it was listed.
std::shared_ptr<ArchiveShelf::Kept> ArchiveShelf::FindKept(const std::string& archivePath,
                                                           const struct stat& info) {
    const auto it = std::find_if(kept_.begin(), kept_.end(),
                                 [&](const auto& k) { return k->path == archivePath; });
    if (it == kept_.end())
        return nullptr;
    if (!(*it)->Same(info)) {
        DropStored((*it)->serial);
        kept_.erase(it);
        return nullptr;
    }
    std::rotate(kept_.begin(), it, it + 1);
    return kept_.front();
}

std::shared_ptr<Archive> ArchiveShelf::Open(const std::string& archivePath,
                                            const ListingWatch* watch) {
    return OpenKept(archivePath, watch)->archive;
}

std::shared_ptr<Archive> ArchiveShelf::Find(const std::string& archivePath) {
    struct stat info {};
    if (::stat(archivePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    std::lock_guard lock(mutex_);
    const auto kept = FindKept(archivePath, info);
    return kept ? kept->archive : nullptr;
}

std::vector<std::uint8_t> ArchiveShelf::Read(const std::string& archivePath,
                                             const std::string& inner) {
    const std::shared_ptr<Kept> kept = OpenKept(archivePath);
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find_if(stored_.begin(), stored_.end(), [&](const Stored& s) {
            return s.serial == kept->serial && s.inner == inner;
        });
        if (it != stored_.end()) {
            std::rotate(it, it + 1, stored_.end());
            bytes = stored_.back().bytes;
        }
    }
    if (bytes)
        return *bytes; // copied outside the lock
    // What a forward reader passes on the way is kept too, up to a quarter of the store,
    // so that walking back through a solid archive does not start it over at each page.
    const Archive::PassedEntry keepPassed = [&](const std::string& name,
                                                std::vector<std::uint8_t> passedBytes) {
        auto stored = std::make_shared<const std::vector<std::uint8_t>>(std::move(passedBytes));
        std::lock_guard lock(mutex_);
        Store(kept->serial, name, std::move(stored));
    };
    auto read = std::make_shared<const std::vector<std::uint8_t>>(
        kept->archive->Read(inner, keepPassed, storeBytes_ / 4));
    std::lock_guard lock(mutex_);
    Store(kept->serial, inner, read);
    return *read;
}

// Under the lock. An entry of more than a quarter of the store is not kept: it would
// push out the pictures around it for one that is seldom read twice.
void ArchiveShelf::Store(std::uint64_t serial, const std::string& inner,
                         std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
    if (bytes->size() > storeBytes_ / 4)
        return;
    for (const Stored& s : stored_) {
        if (s.serial == serial && s.inner == inner)
            return; // another thread read it meanwhile
    }
    storedBytes_ += bytes->size();
    stored_.push_back({serial, inner, std::move(bytes)});
    std::size_t drop = 0;
    for (; storedBytes_ > storeBytes_; ++drop)
        storedBytes_ -= stored_[drop].bytes->size();
    stored_.erase(stored_.begin(), stored_.begin() + std::ptrdiff_t(drop));
}

// Under the lock.
void ArchiveShelf::DropStored(std::uint64_t serial) {
    std::erase_if(stored_, [&](const Stored& s) {
        if (s.serial != serial)
            return false;
        storedBytes_ -= s.bytes->size();
        return true;
    });
}

void ArchiveShelf::Forget() {
    std::lock_guard lock(mutex_);
    kept_.clear();
    stored_.clear();
    storedBytes_ = 0;
}

std::vector<std::uint8_t> ReadPictureBytes(const std::string& path) {
    if (auto member = SplitArchiveMember(path))
        return ArchiveShelf::Shared().Read(member->archive, member->inner);
    return ReadWholeFile(path);
}

std::vector<std::uint8_t> ReadPictureStart(const std::string& path, std::size_t limit) {
    if (SplitArchiveMember(path))
        return ReadPictureBytes(path);
    return ReadFileStart(path, limit);
}

bool PictureExists(const std::string& path) {
    auto member = SplitArchiveMember(path);
    if (!member)
        return FileExists(path);
    const auto archive = ArchiveShelf::Shared().Find(member->archive);
    return archive && archive->Find(member->inner) != nullptr;
}

} // namespace folivex
