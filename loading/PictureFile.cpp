#include "loading/PictureFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace folivex {

namespace {
struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};
} // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    // One byte past the limit tells a file that is too large, even one that grows.
    std::vector<std::uint8_t> bytes = ReadFileStart(path, std::size_t(kMaxPictureFileSize) + 1);
    if (bytes.size() > kMaxPictureFileSize)
        throw Error(FormatMessage(msg::kFileTooLarge, path));
    return bytes;
}

std::vector<std::uint8_t> ReadFileStart(const std::string& path, std::size_t limit) {
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        throw Error(FormatMessage(msg::kCannotOpen, path));
    if (limit > kMaxPictureFileSize && std::uint64_t(info.st_size) > kMaxPictureFileSize)
        throw Error(FormatMessage(msg::kFileTooLarge, path)); // refused before any read
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::min(static_cast<std::size_t>(info.st_size), limit));
    std::uint8_t chunk[65536];
    while (bytes.size() < limit) {
        const std::size_t want = std::min(sizeof chunk, limit - bytes.size());
        ssize_t got = ::read(file.fd, chunk, want);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw Error(FormatMessage(msg::kCannotOpen, path));
        if (got == 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

} // namespace folivex
