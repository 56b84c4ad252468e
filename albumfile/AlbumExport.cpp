#include "albumfile/AlbumExport.h"

#include "albumfile/AlbumCommands.h"
#include "albumfile/AlbumText.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/Paths.h"
#include "core/TextCodec.h"
#include "loading/Archive.h"

#include <QCoreApplication>

#include <set>
#include <sys/stat.h>

namespace folivex {

namespace {

constexpr AtomicFileTexts kCopyTexts{msg::kCannotCreate, msg::kCannotCreate};
// Far more albums of one name than anyone keeps in one folder.
constexpr int kMaxAlbumNameTries = 10000;

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::string ExtensionOf(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    const std::size_t dot = base.rfind('.');
    return dot == std::string_view::npos ? std::string() : LowerAscii(base.substr(dot));
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A picture in an archive has no time of its own here; it takes its archive's, as the
// picture cache does.
timespec ModificationTimeOf(const std::string& source) {
    const auto member = SplitArchiveMember(source);
    struct stat info {};
    if (::stat(member ? member->archive.c_str() : source.c_str(), &info) != 0)
        throw Error(FormatMessage(msg::kCannotOpen, source));
    return info.st_mtim;
}

void CheckNamePart(const std::string& text) {
    if (text.find_first_of(std::string_view("/\0", 2)) == std::string::npos)
        return;
    const QString pattern =
        QCoreApplication::translate("AlbumExport", "ファイル名に使えない文字が含まれています: %1");
    throw Error(pattern.arg(QString::fromStdString(text)).toStdString());
}

} // namespace

std::string ExportFileName(const ExportFormat& format, long long number,
                           std::string_view sourceName) {
    std::string serial = std::to_string(number);
    if (format.digits > 0 && serial.size() < std::size_t(format.digits))
        serial.insert(0, std::size_t(format.digits) - serial.size(), '0');
    return format.leadingText + serial + format.trailingText + ExtensionOf(sourceName);
}

AlbumExport::AlbumExport(const AlbumState& state, const PictureList& pictures, ExportFormat format)
    : state_(state), format_(std::move(format)), folder_(WithTrailingSlash(format_.outputFolder)) {
    CheckNamePart(format_.leadingText);
    CheckNamePart(format_.trailingText);
    format_.step = std::max(format_.step, 1); // distinct numbers, so distinct names
    long long number = 0;
    for (int row = 1; row < pictures.RowCount(); ++row) {
        const PictureList::Row& r = pictures.At(row);
        if (r.fileName.empty())
            continue;
        number += format_.step;
        items_.push_back({state.pictureFolder + r.fileName,
                          ExportFileName(format_, number, r.fileName), r.comment});
    }
    // The copied album shows its cover picture under the picture's new name; a cover
    // that is not one of the copies could not be found beside them.
    state_.pictureFolder = folder_;
    if (state_.coverMode == 1) {
        std::string cover;
        for (std::size_t i = 0, row = 1; row < std::size_t(pictures.RowCount()); ++row) {
            if (pictures.FileName(int(row)).empty())
                continue;
            if (pictures.FileName(int(row)) == state.coverPicture)
                cover = items_[i].name;
            ++i;
        }
        state_.coverPicture = cover;
        if (cover.empty())
            state_.coverMode = 0;
    }
}

std::string AlbumExport::FirstExistingTarget() const {
    std::set<std::string> planned;
    for (const Item& item : items_) {
        const std::string target = TargetPath(item);
        // Names made twice (an extension-less picture beside one whose trailing text
        // looks like an extension) count as taken too.
        if (Exists(target) || !planned.insert(item.name).second)
            return target;
    }
    return {};
}

std::string AlbumExport::FreeAlbumPath() const {
    std::string base = state_.albumTitle;
    if (!IsUsableAlbumName(base))
        base = format_.leadingText;
    if (!IsUsableAlbumName(base))
        base = "album";
    for (int n = 1; n <= kMaxAlbumNameTries; ++n) {
        const std::string path =
            folder_ + base + (n == 1 ? std::string() : " (" + std::to_string(n) + ")") + ".ajv";
        if (!Exists(path))
            return path;
    }
    throw Error(FormatMessage(msg::kCannotCreate, folder_ + base + ".ajv"));
}

void AlbumExport::CopyItem(const Item& item) const {
    const timespec time = ModificationTimeOf(item.source);
    const std::vector<std::uint8_t> bytes = ReadPictureBytes(item.source);
    AtomicFile file(TargetPath(item), kCopyTexts);
    file.SetNoReplace(true);
    file.SetModificationTime(time);
    file.Commit(bytes);
}

void AlbumExport::WriteAlbum(const std::string& path) const {
    PictureList list;
    list.SetRowCount(1);
    for (const Item& item : items_)
        list.Append({item.name, item.comment, {}});
    AtomicFile file(path, kCopyTexts);
    file.SetNoReplace(true);
    file.Commit(EncodeFileText(BuildAlbumText(state_, list)));
}

AlbumExport::Result AlbumExport::Run(const Progress& progress) {
    Result result;
    for (const Item& item : items_) {
        if (progress && !progress(result.written, items_.size())) {
            result.stopped = true;
            return result;
        }
        CopyItem(item);
        ++result.written;
    }
    if (progress)
        static_cast<void>(progress(result.written, items_.size())); // the last count shows
    if (items_.empty())
        return result;
    result.albumPath = FreeAlbumPath();
    WriteAlbum(result.albumPath);
    return result;
}

} // namespace folivex
