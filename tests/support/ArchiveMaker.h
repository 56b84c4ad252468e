// Archives made in memory for the tests: any format libarchive writes (zip, 7z, tar and
// compressed tar), and a hand-built stored zip whose every byte the test controls
// (raw names, flags, declared sizes), for hostile and damaged archives.
#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace folivex::test {

using ArchiveBytes = std::vector<std::uint8_t>;

struct ArchiveItem {
    std::string name;
    std::string content;
    bool directory = false;
};

enum class ArchiveKind { ZipStored, ZipDeflate, ZipEncrypted, SevenZip, Tar, TarGz };

inline const char* ArchiveKindName(ArchiveKind kind) {
    switch (kind) {
    case ArchiveKind::ZipStored:
        return "zip_stored";
    case ArchiveKind::ZipDeflate:
        return "zip_deflate";
    case ArchiveKind::ZipEncrypted:
        return "zip_encrypted";
    case ArchiveKind::SevenZip:
        return "7z";
    case ArchiveKind::Tar:
        return "tar";
    case ArchiveKind::TarGz:
        return "tar_gz";
    }
    return "?";
}

namespace detail {
inline la_ssize_t AppendBytes(struct archive*, void* data, const void* buffer, size_t length) {
    auto* out = static_cast<ArchiveBytes*>(data);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    out->insert(out->end(), bytes, bytes + length);
    return la_ssize_t(length);
}
inline void Check(struct archive* a, int r) {
    if (r < ARCHIVE_WARN)
        throw std::runtime_error(archive_error_string(a) ? archive_error_string(a) : "libarchive");
}
} // namespace detail

// An archive of the items in the given order, written by libarchive.
inline ArchiveBytes MakeArchive(ArchiveKind kind, const std::vector<ArchiveItem>& items) {
    ArchiveBytes out;
    struct archive* a = archive_write_new();
    switch (kind) {
    case ArchiveKind::ZipStored:
        archive_write_set_format_zip(a);
        archive_write_set_options(a, "zip:compression=store");
        break;
    case ArchiveKind::ZipDeflate:
        archive_write_set_format_zip(a);
        archive_write_set_options(a, "zip:compression=deflate");
        break;
    case ArchiveKind::ZipEncrypted:
        archive_write_set_format_zip(a);
        archive_write_set_options(a, "zip:encryption=zipcrypt");
        archive_write_set_passphrase(a, "secret");
        break;
    case ArchiveKind::SevenZip:
        archive_write_set_format_7zip(a);
        break;
    case ArchiveKind::Tar:
        archive_write_set_format_pax_restricted(a);
        break;
    case ArchiveKind::TarGz:
        archive_write_set_format_pax_restricted(a);
        archive_write_add_filter_gzip(a);
        break;
    }
    archive_write_set_bytes_in_last_block(a, 1);
    detail::Check(a, archive_write_open(a, &out, nullptr, detail::AppendBytes, nullptr));
    for (const ArchiveItem& item : items) {
        struct archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, item.name.c_str());
        archive_entry_set_filetype(e, item.directory ? AE_IFDIR : AE_IFREG);
        archive_entry_set_perm(e, item.directory ? 0755 : 0644);
        archive_entry_set_size(e, la_int64_t(item.directory ? 0 : item.content.size()));
        archive_entry_set_mtime(e, 1000000000, 0);
        detail::Check(a, archive_write_header(a, e));
        if (!item.directory && !item.content.empty())
            archive_write_data(a, item.content.data(), item.content.size());
        archive_entry_free(e);
    }
    detail::Check(a, archive_write_close(a));
    archive_write_free(a);
    return out;
}

inline std::uint32_t Crc32(const std::string& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// One entry of a hand-built zip: the name's bytes as stored, and what the headers claim.
struct RawZipItem {
    std::string rawName;
    std::string content;
    std::uint16_t flags = 0;
    // The declared uncompressed size in the central directory; -1 means the true size.
    long long declaredSize = -1;
};

namespace detail {
inline void Put16(ArchiveBytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
inline void Put32(ArchiveBytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
} // namespace detail

// A zip of stored entries written byte by byte.
inline ArchiveBytes MakeRawZip(const std::vector<RawZipItem>& items) {
    using detail::Put16;
    using detail::Put32;
    ArchiveBytes out, directory;
    for (const RawZipItem& item : items) {
        const std::uint32_t offset = std::uint32_t(out.size());
        const std::uint32_t crc = Crc32(item.content);
        const auto size = std::uint32_t(item.content.size());
        const auto declared =
            item.declaredSize < 0 ? size : std::uint32_t(std::uint64_t(item.declaredSize));
        Put32(out, 0x04034b50);
        Put16(out, 10);
        Put16(out, item.flags);
        Put16(out, 0); // stored
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, size);
        Put32(out, size);
        Put16(out, std::uint32_t(item.rawName.size()));
        Put16(out, 0);
        out.insert(out.end(), item.rawName.begin(), item.rawName.end());
        out.insert(out.end(), item.content.begin(), item.content.end());

        Put32(directory, 0x02014b50);
        Put16(directory, 20);
        Put16(directory, 10);
        Put16(directory, item.flags);
        Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, crc);
        Put32(directory, size);
        Put32(directory, declared);
        Put16(directory, std::uint32_t(item.rawName.size()));
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, offset);
        directory.insert(directory.end(), item.rawName.begin(), item.rawName.end());
    }
    const std::uint32_t directoryOffset = std::uint32_t(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, std::uint32_t(items.size()));
    Put16(out, std::uint32_t(items.size()));
    Put32(out, std::uint32_t(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, 0);
    return out;
}

inline void WriteArchiveFile(const std::string& path, const ArchiveBytes& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace folivex::test
