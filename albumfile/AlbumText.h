// The album file (.ajv): one value per line, CP932 (or UTF-8 behind a byte-order mark)
// with CR LF line ends. This file pair reads such a file into the album state and the
// picture list, and builds and stores the text the save command writes. No Qt here, so
// the fuzz target and the unit tests drive it alone.
#pragma once

#include "core/Bitmap24.h"
#include "view/AlbumState.h"
#include "view/PictureList.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// Larger files are refused as unreadable. An album of a hundred thousand pictures
// stays well below this, and a hostile file of nothing but line breaks cannot make the
// reader hold more than a few hundred megabytes of lines and rows.
inline constexpr std::size_t kMaxAlbumFileBytes = 8u << 20;

// The lines of a stored text: a line ends at CR, LF or CR LF, a NUL ends the text, and
// a line end at the very end adds no empty line. Decodes CP932 or BOM-marked UTF-8.
std::vector<std::string> SplitAlbumLines(std::string_view fileBytes);

// The whole file, bounded by kMaxAlbumFileBytes; raises "ﾌｧｲﾙ %s は開けません".
std::string ReadAlbumFileBytes(const std::string& path);

// How the reader reaches the background texture: decode the texture line's file as a
// JPEG picture (raising the decoder's own error texts) and make it the background.
struct AlbumTextureHooks {
    std::function<Bitmap24(const std::string& path)> decodeJpeg;
    std::function<void(Bitmap24&& texture)> showTexture;
};

enum class AlbumReadOutcome {
    Loaded,          // the caller enters album viewing mode
    FolderLineEmpty, // the caller warns; the list is already reset
};

// Applies the lines of an album file in order. A failure raises the toolkit's error and
// leaves set what was set before it; albumPath names the file for the folder fallback.
AlbumReadOutcome ApplyAlbumLines(const std::vector<std::string>& lines,
                                 const std::string& albumPath, AlbumState& state,
                                 PictureList& pictures, const AlbumTextureHooks& texture);

// The album text, CR LF after every line, in UTF-8 (encode it with EncodeFileText).
// Line breaks inside a value are written as blanks, so every line keeps its place.
std::string BuildAlbumText(const AlbumState& state, const PictureList& pictures);

// Saves bytes with WriteFileAtomically, so an interrupted or failed write never destroys
// the old file; a replaced file keeps its permissions, and a read-only one is refused.
// `executable` adds execute permission wherever read permission is given. Raises
// "ﾌｧｲﾙ %s を作成できません" for every failure.
void WriteFileReplacing(const std::string& path, std::string_view bytes, bool executable = false);

// BuildAlbumText encoded for storage and written with WriteFileReplacing.
void WriteAlbumFile(const std::string& path, const AlbumState& state, const PictureList& pictures);

} // namespace folivex
