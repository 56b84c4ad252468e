#include "contents/PictureRows.h"

#include "contents/NameOrder.h"
#include "core/Paths.h"
#include "loading/Archive.h"

#include <dirent.h>

#include <memory>

namespace folivex {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool MatchesAny(std::string_view name, const std::vector<std::string>& patterns) {
    for (const auto& pattern : patterns) {
        if (MatchesPattern(name, pattern))
            return true;
    }
    return false;
}

} // namespace

std::vector<std::string> ListFolderPictures(const std::string& folder,
                                            const std::vector<std::string>& patterns) {
    std::vector<std::string> names;
    if (patterns.empty())
        return names;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir.get())) {
        const char* name = entry->d_name;
        if (!IsLeftoverName(name) && MatchesAny(name, patterns))
            names.emplace_back(name);
    }
    SortFileNames(names);
    return names;
}

std::string ArchiveOfFolder(std::string_view pictureFolder) {
    std::string path(pictureFolder);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return IsArchiveFile(path) ? path : std::string();
}

PictureListing ListPictures(const std::string& pictureFolder,
                            const std::vector<std::string>& patterns, const ListingWatch* watch) {
    PictureListing listing;
    const std::string archivePath = ArchiveOfFolder(pictureFolder);
    if (archivePath.empty()) {
        listing.names = ListFolderPictures(pictureFolder, patterns);
        return listing;
    }
    const auto archive = ArchiveShelf::Shared().Open(archivePath, watch);
    for (const ArchiveEntry& entry : archive->Entries()) {
        if (!entry.encrypted && MatchesAny(entry.name, patterns))
            listing.names.push_back(entry.name);
    }
    SortFileNames(listing.names);
    listing.failure = archive->FirstFailure();
    listing.encrypted = archive->HasEncryptedEntries();
    return listing;
}

void FillPictureRows(PictureList& list, const std::vector<std::string>& names) {
    list.Reset();
    if (names.empty())
        return;
    list.SetRowCount(int(names.size()) + 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int row = int(i) + 1;
        list.MutableAt(row) = PictureList::Row{names[i], std::string(), std::to_string(row)};
    }
}

std::string AlbumTitleOfFolder(std::string_view pictureFolder) {
    if (pictureFolder == "/")
        return "ルート";
    std::string_view folder = pictureFolder;
    if (!folder.empty() && folder.back() == '/')
        folder.remove_suffix(1);
    const std::size_t slash = folder.rfind('/');
    const std::string name(slash == std::string_view::npos ? folder : folder.substr(slash + 1));
    return ArchiveOfFolder(pictureFolder).empty() ? name : ArchiveStem(name);
}

std::string PictureFolderOf(std::string_view directory) {
    return WithTrailingSlash(directory);
}

AddResult AddPictureFiles(PictureList& list, std::string& pictureFolder,
                          const std::vector<std::string>& files) {
    if (files.empty())
        return AddResult::Nothing;
    const std::string folder = FolderOfPath(files.front());
    int first = 0;
    if (!list.IsEmpty()) {
        if (folder != pictureFolder)
            return AddResult::OtherFolder;
        first = list.RowCount() - 1;
    } else {
        list.Reset();
    }
    pictureFolder = folder;
    list.SetRowCount(first + 1 + int(files.size()));
    for (std::size_t j = 0; j < files.size(); ++j) {
        const int row = first + 1 + int(j);
        const std::string& file = files[j];
        std::string name = file.size() > folder.size() ? file.substr(folder.size()) : file;
        list.MutableAt(row) = PictureList::Row{std::move(name), std::string(), std::to_string(row)};
    }
    return AddResult::Added;
}

bool DeletePictureRow(PictureList& list, int row) {
    if (list.IsEmpty() || row < 1 || row >= list.RowCount())
        return false;
    list.Remove(row);
    return true;
}

} // namespace folivex
