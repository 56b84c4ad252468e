#include "albumfile/AlbumText.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/IniFile.h"
#include "core/Paths.h"
#include "core/TextCodec.h"

#include <filesystem>
#include <fstream>

namespace folivex {

namespace {

// Line access with the toolkit's list errors: a missing line names its index.
class AlbumLines {
public:
    explicit AlbumLines(const std::vector<std::string>& lines) : lines_(lines) {}

    long long Count() const { return static_cast<long long>(lines_.size()); }

    const std::string& At(long long index) const {
        if (index < 0 || index >= Count())
            throw Error(FormatMessage(msg::kIndexOutOfRange, index));
        return lines_[static_cast<std::size_t>(index)];
    }

    int IntegerAt(long long index) const {
        const std::string& text = At(index);
        auto value = ParseInteger(text);
        if (!value)
            throw Error(FormatMessage(msg::kNotInteger, text));
        return *value;
    }

private:
    const std::vector<std::string>& lines_;
};

// Each pair is read while the count line still says there are more; the count is
// converted before every pair, as the Windows edition did.
void ReadPictureRows(const AlbumLines& lines, PictureList& pictures) {
    pictures.Reset();
    for (long long k = 1; 2 * k - 1 < 2LL * lines.IntegerAt(0); ++k) {
        PictureList::Row& row = pictures.MutableAt(static_cast<int>(k));
        row.fileName = lines.At(2 * k - 1);
        row.comment = lines.At(2 * k);
        row.number = std::to_string(k);
        pictures.Append({});
    }
    // A count of 0 or below keeps the reset list (one blank row) rather than none, so
    // the list never loses the row every reader of it expects.
    if (pictures.RowCount() > 2)
        pictures.SetRowCount(pictures.RowCount() - 1);
}

void ReadTexture(const std::string& texturePath, const AlbumTextureHooks& hooks) {
    if (texturePath.empty() || !hooks.decodeJpeg)
        return;
    Bitmap24 picture = hooks.decodeJpeg(texturePath);
    if (hooks.showTexture)
        hooks.showTexture(std::move(picture));
}

void KeepUnlessEmpty(const std::string& line, std::string& value) {
    if (!line.empty())
        value = line;
}

// Our own files always end the folder with "/"; a hand-written one may not. A folder
// from the Windows edition keeps its "\" (its pictures are not found here anyway).
std::string FolderLine(const std::string& line) {
    if (line.back() == '/' || line.back() == '\\')
        return line;
    return line + "/";
}

std::string FolderOfAlbum(const std::string& albumPath) {
    if (albumPath.empty())
        return {};
    std::error_code ec;
    auto absolute = std::filesystem::absolute(albumPath, ec);
    return FolderOfPath(ec ? albumPath : absolute.string());
}

std::string OneLine(std::string value) {
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return value;
}

} // namespace

std::vector<std::string> SplitAlbumLines(std::string_view fileBytes) {
    const std::string text = DecodeFileText(fileBytes.substr(0, fileBytes.find('\0')));
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return lines;
}

std::string ReadAlbumFileBytes(const std::string& path) {
    const Error cannotOpen(FormatMessage(msg::kCannotOpen, path));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw cannotOpen;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxAlbumFileBytes)
        throw cannotOpen;
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), std::streamsize(bytes.size())))
        throw cannotOpen;
    return bytes;
}

AlbumReadOutcome ApplyAlbumLines(const std::vector<std::string>& fileLines,
                                 const std::string& albumPath, AlbumState& state,
                                 PictureList& pictures, const AlbumTextureHooks& texture) {
    const AlbumLines lines(fileLines);
    ReadPictureRows(lines, pictures);

    const long long n = lines.IntegerAt(0);
    state.page.splitMode = lines.IntegerAt(2 * n + 1);
    state.page.openMode = lines.IntegerAt(2 * n + 2);

    state.albumTexture = lines.At(2 * n + 3);
    ReadTexture(state.albumTexture, texture);

    KeepUnlessEmpty(lines.At(2 * n + 4), state.coverColor);
    KeepUnlessEmpty(lines.At(2 * n + 5), state.pageColor);
    if (!lines.At(2 * n + 6).empty())
        state.coverMode = lines.IntegerAt(2 * n + 6);
    KeepUnlessEmpty(lines.At(2 * n + 7), state.albumTitle);
    KeepUnlessEmpty(lines.At(2 * n + 8), state.coverPicture);

    if (lines.Count() > 2 * n + 9) {
        const std::string& folder = lines.At(2 * n + 9);
        if (folder.empty()) {
            pictures.Reset();
            return AlbumReadOutcome::FolderLineEmpty;
        }
        state.pictureFolder = FolderLine(folder);
    } else {
        state.pictureFolder = FolderOfAlbum(albumPath);
    }
    return AlbumReadOutcome::Loaded;
}

std::string BuildAlbumText(const AlbumState& state, const PictureList& pictures) {
    std::string text;
    auto line = [&text](const std::string& value) {
        text += OneLine(value);
        text += "\r\n";
    };
    // The list always keeps one row below its heading; an empty one is stored as such.
    const int count = pictures.RowCount() - 1;
    if (count < 1) {
        line("1");
        line("");
        line("");
    } else {
        line(std::to_string(count));
        for (int row = 1; row <= count; ++row) {
            line(pictures.FileName(row));
            line(pictures.Comment(row));
        }
    }
    line(std::to_string(state.page.splitMode));
    line(std::to_string(state.page.openMode));
    line(state.albumTexture);
    line(state.coverColor);
    line(state.pageColor);
    // The folder-name cover is not stored: an album is shown by its title instead.
    line(std::to_string(state.coverMode == 2 ? 0 : state.coverMode));
    line(state.albumTitle);
    line(state.coverPicture);
    line(state.pictureFolder);
    return text;
}

void WriteFileReplacing(const std::string& path, std::string_view bytes, bool executable) {
    WriteFileAtomically(path, bytes, {msg::kCannotCreate, msg::kCannotCreate}, executable);
}

void WriteAlbumFile(const std::string& path, const AlbumState& state, const PictureList& pictures) {
    WriteFileReplacing(path, EncodeFileText(BuildAlbumText(state, pictures)));
}

} // namespace folivex
