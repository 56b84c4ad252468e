// What a path given on the command line or forwarded from a second start opens: an album
// file, an archive or a folder of pictures, or one picture (its folder, at its spread).
#pragma once

#include "core/Error.h"

#include <string>
#include <string_view>
#include <vector>

namespace folivex {

namespace msg {
inline constexpr std::string_view kNotOpenable = FOLIVEX_TRANSLATE_NOOP(
    "Messages", "%s はアルバムファイル、フォルダ、画像ファイルのいずれでもないので開けません");
} // namespace msg

enum class OpenTargetKind { AlbumFile, Archive, Folder, Picture, Unopenable, Missing };

struct OpenTarget {
    OpenTargetKind kind = OpenTargetKind::Unopenable;
    std::string folder;   // Folder and Picture: the folder to list
    std::string fileName; // Picture: its name within the folder
};

// By what the path is on disk: "*.ajv" is an album file whether it exists or not (its
// reader reports a missing file as it always has); an archive, a folder, or a regular
// file matching one of `picturePatterns` ("*.png" ...) in any letter case. A path that
// does not exist (a broken link included) is Missing; anything else is Unopenable.
OpenTarget ClassifyOpenPath(const std::string& path,
                            const std::vector<std::string>& picturePatterns);

} // namespace folivex
