// The picture list operations of the contents page that need no window: listing a
// folder's pictures, the album title of a folder, adding and deleting rows.
#pragma once

#include "core/Error.h"
#include "loading/Archive.h"
#include "view/PictureList.h"

#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// The entries of `folder` whose names match any of `patterns`, sorted by
// CompareFileNames. Sub-folders whose names match are listed too, as the pattern
// decides alone; "." and "..", and leftovers of other systems (IsLeftoverName), never
// are. An entry that matches several patterns is
// listed once. A folder that cannot be read gives no entries. Reads the directory once
// and stats nothing.
std::vector<std::string> ListFolderPictures(const std::string& folder,
                                            const std::vector<std::string>& patterns);

// What listing a picture folder found: the names, and for an archive the first damage
// met and whether any entry needs a password.
struct PictureListing {
    std::vector<std::string> names;
    std::string failure;
    bool encrypted = false;
};

// As ListFolderPictures, for a folder or an archive: a picture folder that names an
// archive file ("/a/book.cbz/") lists the archive's entries that match, each by its
// inner path, in the same name order; entries that need a password are left out.
// Raises the archive's error when it cannot be opened at all. An archive not open yet is
// listed under `watch` (see ArchiveShelf::Open), which may raise ListingStopped.
PictureListing ListPictures(const std::string& pictureFolder,
                            const std::vector<std::string>& patterns,
                            const ListingWatch* watch = nullptr);

// The archive file a picture folder names ("/a/book.cbz/" gives "/a/book.cbz"), or
// empty for a plain folder.
std::string ArchiveOfFolder(std::string_view pictureFolder);

// Replaces the rows by `names` in that order, each with an empty comment and its row
// number as picture number; no names gives the empty list.
void FillPictureRows(PictureList& list, const std::vector<std::string>& names);

// The album title of a picture folder (ending with "/"): the folder's own name, the
// archive's name without its extension, or "ルート" for the file-system root.
std::string AlbumTitleOfFolder(std::string_view pictureFolder);

// `folder` with "/" appended unless it already ends with one.
std::string PictureFolderOf(std::string_view directory);

enum class AddResult { Added, Nothing, OtherFolder };

// Adds full paths chosen in the open dialog. A non-empty list accepts files of
// `pictureFolder` only (else OtherFolder, list unchanged) and appends them unsorted; an
// empty list takes them from anywhere and `pictureFolder` moves to their folder. Each
// added row's picture number is its row.
AddResult AddPictureFiles(PictureList& list, std::string& pictureFolder,
                          const std::vector<std::string>& files);

// Removes one picture row; the later rows move up with their comments and numbers.
// Returns false when the list is empty or the row holds no picture.
bool DeletePictureRow(PictureList& list, int row);

// The refusals for an archive's pictures, which can be neither added to nor renamed.
inline constexpr std::string_view kArchiveAddRefused = FOLIVEX_TRANSLATE_NOOP(
    "Messages", "書庫から開いたアルバムには画像を追加できません。\r\n"
                "追加する場合には、書庫を展開したフォルダを開いてください。");
inline constexpr std::string_view kArchiveRenameRefused =
    FOLIVEX_TRANSLATE_NOOP("Messages", "書庫の中の画像の名前は変更できません。");

// The dialog's warning for pictures from a folder other than the listed one.
inline constexpr std::string_view kOtherFolderWarning = FOLIVEX_TRANSLATE_NOOP(
    "Messages", "既に読み込まれているフォルダと異なる場所からは追加できません。\r\n"
                "読み込む場合には、[クリアボタン]で目次を初期化してください。");

} // namespace folivex
