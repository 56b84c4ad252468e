#include "view/ReadingPositions.h"

#include "core/AtomicFile.h"
#include "core/Error.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace folivex {

namespace {

// One entry a line: time, split mode, row, album and picture name, separated by tabs.
// Names are bytes (not always UTF-8), so only the bytes that would break a line or a
// field are escaped, as %XX.
constexpr std::string_view kHeader = "Folivex reading positions 1";

std::int64_t SecondsNow() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::string Escape(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r' || c == '\0') {
            out += '%';
            out += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            out += kHex[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high << 4 | low);
        i += 2;
    }
    return out;
}

template <typename T> std::optional<T> Number(std::string_view text, T low, T high) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

// The whole file when it is a regular file within the cap; nothing otherwise.
std::optional<std::string> ReadBounded(const std::string& path, std::size_t cap) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::string bytes;
    bool whole =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && std::uint64_t(info.st_size) <= cap;
    // Read to the cap, not to the size: the file may grow while it is read.
    while (whole) {
        char chunk[64 * 1024];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == 0)
            break;
        if (got < 0 || bytes.size() + std::size_t(got) > cap)
            whole = false;
        else
            bytes.append(chunk, std::size_t(got));
    }
    ::close(fd);
    return whole ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

struct ParsedEntry {
    std::string album;
    ReadingPosition position;
};

std::optional<ParsedEntry> ParseLine(std::string_view line) {
    const auto f = Fields(line);
    if (f.size() != 5)
        return std::nullopt;
    const auto time = Number<std::int64_t>(f[0], 0, INT64_MAX);
    const auto split = Number<int>(f[1], 0, 1);
    const auto index = Number<int>(f[2], 1, INT_MAX);
    auto album = Unescape(f[3]);
    auto name = Unescape(f[4]);
    if (!time || !split || !index || !album || album->empty() || !name)
        return std::nullopt;
    return ParsedEntry{std::move(*album), {std::move(*name), *index, *split, *time}};
}

} // namespace

ReadingPositions::ReadingPositions(std::string path, Clock clock)
    : path_(std::move(path)), clock_(clock ? std::move(clock) : Clock(SecondsNow)) {}

void ReadingPositions::Load() {
    entries_.clear();
    changed_ = false;
    const auto bytes = ReadBounded(path_, kMaxFileBytes);
    if (!bytes)
        return;
    std::string_view rest(*bytes);
    const std::size_t headerEnd = rest.find('\n');
    if (rest.substr(0, headerEnd) != kHeader)
        return;
    rest.remove_prefix(headerEnd == std::string_view::npos ? rest.size() : headerEnd + 1);
    std::vector<Entry> read;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos)
            return; // cut short: the last line is not whole
        auto parsed = ParseLine(rest.substr(0, end));
        if (!parsed)
            return;
        read.push_back({std::move(parsed->album), std::move(parsed->position)});
        rest.remove_prefix(end + 1);
    }
    // Kept in the order they were read, a later line of the same album winning; only the
    // newest kMaxEntries stay.
    for (Entry& e : read) {
        std::erase_if(entries_, [&e](const Entry& old) { return old.album == e.album; });
        entries_.push_back(std::move(e));
    }
    if (entries_.size() > kMaxEntries)
        entries_.erase(entries_.begin(), entries_.end() - std::ptrdiff_t(kMaxEntries));
}

void ReadingPositions::Save() {
    if (!changed_)
        return;
    std::string text(kHeader);
    text += '\n';
    for (const Entry& e : entries_) {
        const ReadingPosition& p = e.position;
        text += std::to_string(p.time) + '\t' + std::to_string(p.splitMode) + '\t' +
                std::to_string(p.index) + '\t' + Escape(e.album) + '\t' + Escape(p.fileName) + '\n';
    }
    WriteFileAtomically(path_, text, {msg::kCannotCreate, msg::kCannotWrite});
    changed_ = false;
}

void ReadingPositions::Keep(const std::string& album, ReadingPosition position) {
    if (album.empty() || position.index < 1)
        return;
    position.time = clock_();
    const auto same = std::find_if(entries_.begin(), entries_.end(),
                                   [&album](const Entry& e) { return e.album == album; });
    if (same != entries_.end()) {
        const ReadingPosition& old = same->position;
        // Turning back and forth over the same spread changes nothing worth a write.
        if (old.fileName == position.fileName && old.index == position.index &&
            old.splitMode == position.splitMode && same + 1 == entries_.end())
            return;
        entries_.erase(same);
    }
    entries_.push_back({album, std::move(position)});
    if (entries_.size() > kMaxEntries)
        entries_.erase(entries_.begin());
    changed_ = true;
}

const ReadingPosition* ReadingPositions::Find(const std::string& album) const {
    for (const Entry& e : entries_)
        if (e.album == album)
            return &e.position;
    return nullptr;
}

int ResumeRow(const ReadingPosition& position, const PictureList& pictures) {
    if (pictures.IsEmpty())
        return 0;
    const int last = pictures.RowCount() - 1;
    if (position.index <= last && pictures.FileName(position.index) == position.fileName)
        return position.index;
    for (int row = 1; row <= last; ++row)
        if (pictures.FileName(row) == position.fileName)
            return row;
    return std::clamp(position.index, 1, last);
}

} // namespace folivex
