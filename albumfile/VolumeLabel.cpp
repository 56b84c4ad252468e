#include "albumfile/VolumeLabel.h"

#include "core/TextCodec.h"

#include <filesystem>
#include <sys/stat.h>

namespace folivex {

std::string DecodeLabelLink(std::string_view linkName) {
    std::string out;
    for (std::size_t i = 0; i < linkName.size(); ++i) {
        if (linkName[i] == '\\' && i + 3 < linkName.size() && linkName[i + 1] == 'x' &&
            HexDigit(linkName[i + 2]) >= 0 && HexDigit(linkName[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(linkName[i + 2]) * 16 + HexDigit(linkName[i + 3]));
            i += 3;
        } else {
            out += linkName[i];
        }
    }
    return out;
}

std::string VolumeLabelOf(const std::string& folder, const std::string& labelFolder) {
    struct stat held {};
    if (folder.empty() || ::stat(folder.c_str(), &held) != 0)
        return "Error";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(labelFolder, ec)) {
        struct stat device {};
        if (::stat(entry.path().c_str(), &device) == 0 && S_ISBLK(device.st_mode) &&
            device.st_rdev == held.st_dev)
            return DecodeLabelLink(entry.path().filename().string());
    }
    return "";
}

std::string ProposedAlbumName(std::string_view label, std::string_view pictureFolder) {
    std::string out(label);
    for (char c : pictureFolder)
        if (c != ':' && c != '/')
            out += c;
    return out;
}

} // namespace folivex
