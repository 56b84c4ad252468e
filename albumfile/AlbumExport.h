// Writing an album out under new names: the listed pictures are copied in album order
// into an output folder as leading text + serial number + trailing text + extension,
// with an album file beside them that lists the new names and their comments. Nothing
// is ever overwritten and the originals are never changed; every copy appears whole
// under its name or not at all.
#pragma once

#include "view/AlbumState.h"
#include "view/PictureList.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

struct ExportFormat {
    std::string leadingText;
    std::string trailingText;
    int digits = 0; // zero-padded width of the serial number; 0 pads nothing
    int step = 1;   // the first number and the increment
    std::string outputFolder;
};

// The copy's name: leading text, `number` padded with zeros to `digits`, trailing text,
// and the extension of `sourceName` (from its last "." after its last "/") in lower
// case; no extension when the source has none.
std::string ExportFileName(const ExportFormat& format, long long number,
                           std::string_view sourceName);

class AlbumExport {
public:
    struct Item {
        std::string source; // full path (an archive entry's too)
        std::string name;   // the copy's name in the output folder
        std::string comment;
    };
    struct Result {
        std::size_t written = 0;
        bool stopped = false;  // the caller stopped it; no album file then
        std::string albumPath; // empty when none was written
    };
    // Called before each copy with the number written so far; false stops the run.
    using Progress = std::function<bool(std::size_t done, std::size_t total)>;

    // Plans the copies of the listed pictures (blank rows are skipped). Raises
    // "ファイル名に使えない文字が含まれています: %s" when the texts would make a name
    // reach outside the output folder.
    AlbumExport(const AlbumState& state, const PictureList& pictures, ExportFormat format);

    const std::vector<Item>& Items() const { return items_; }
    std::string TargetPath(const Item& item) const { return folder_ + item.name; }

    // The first copy whose name is taken already (by a file, folder or link), or empty.
    std::string FirstExistingTarget() const;

    // Copies every item, then writes the album file. A failure raises the file's error
    // with the copies before it left in place, each of them whole.
    Result Run(const Progress& progress);

    // The album file's name: the album title, else the leading text, else "album", with
    // " (2)", " (3)", ... until the name is free.
    std::string FreeAlbumPath() const;

private:
    void CopyItem(const Item& item) const;
    void WriteAlbum(const std::string& path) const;

    AlbumState state_;
    ExportFormat format_;
    std::string folder_; // with "/"
    std::vector<Item> items_;
};

} // namespace folivex
