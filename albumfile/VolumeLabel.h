// The label of the file system that holds a folder, for the album name the save command
// proposes.
#pragma once

#include <string>
#include <string_view>

namespace folivex {

inline constexpr std::string_view kDiskLabelFolder = "/dev/disk/by-label";

// The label of the file system holding `folder`, found among the device links of
// `labelFolder`; "" when that file system has no label, "Error" when the folder (and so
// its file system) cannot be found.
std::string VolumeLabelOf(const std::string& folder,
                          const std::string& labelFolder = std::string(kDiskLabelFolder));

// A link name of the label folder turned back into the label: udev writes blanks and
// other unsafe bytes as \xNN.
std::string DecodeLabelLink(std::string_view linkName);

// The proposed album name: the label followed by the folder without ":" and "/".
std::string ProposedAlbumName(std::string_view label, std::string_view pictureFolder);

} // namespace folivex
