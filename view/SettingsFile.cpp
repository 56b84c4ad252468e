#include "view/SettingsFile.h"

namespace folivex {

namespace {
constexpr const char* kDefaultPictureFolder = "OnDesk";
// Keys of this program's own additions, in a section no other reader of the file uses.
constexpr const char* kOwnSection = "Folivex";
} // namespace

int ReadLanguageSetting(const IniFile& ini) {
    return ini.ReadInteger(kOwnSection, "Language", 0);
}

void ReadSettingsFile(const IniFile& ini, Settings& s, AlbumState& a) {
    a.pictureFolder = ini.ReadString("Folder", "Current", kDefaultPictureFolder);
    s.thumbnails = ini.ReadBool("Thum", "Check", s.thumbnails);
    s.thumbnailSize = ini.ReadInteger("Thum", "Size", s.thumbnailSize);
    a.rate = ini.ReadInteger("Conf", "Rate", a.rate);
    s.shortcutFolder = ini.ReadString("Conf", "BStandFolder", "");
    s.maxOpen = ini.ReadBool("Conf", "MaxOpen", false);
    a.page.openMode = ini.ReadInteger("Conf", "OpenMode", a.page.openMode);
    s.textureFName = ini.ReadString("Conf", "TextureFName", "");
    a.coverColor = ini.ReadString("Conf", "CoverColor", a.coverColor);
    a.pageColor = ini.ReadString("Conf", "PageColor", a.pageColor);
    a.clearImage = ini.ReadBool("Conf", "ClearImage", a.clearImage);
    a.page.splitMode = ini.ReadInteger("Conf", "SpilitMode", a.page.splitMode);
    a.acInterval = ini.ReadInteger("Conf", "ACInterval", a.acInterval);
    s.susieLoc = ini.ReadInteger("Conf", "SusieLoc", s.susieLoc);
    s.imgViewer = ini.ReadString("Conf", "ImgViewer", "");
    for (std::size_t i = 0; i < s.shortcutFolderHistory.size(); ++i)
        s.shortcutFolderHistory[i] =
            ini.ReadString("Hist", "SCFolderHist" + std::to_string(i + 1), "");
    s.resumeOnOpen = ini.ReadBool(kOwnSection, "ResumeOnOpen", false);
    s.language = ReadLanguageSetting(ini);
}

void WriteSettingsFile(IniFile& ini, const Settings& s, const AlbumState& a) {
    ini.WriteString("Folder", "Current", a.pictureFolder);
    ini.WriteBool("Thum", "Check", s.thumbnails);
    ini.WriteInteger("Thum", "Size", s.thumbnailSize);
    ini.WriteInteger("Conf", "Rate", a.rate);
    ini.WriteBool("Conf", "MaxOpen", s.maxOpen);
    ini.WriteString("Conf", "BStandFolder", s.shortcutFolder);
    ini.WriteInteger("Conf", "OpenMode", a.page.openMode);
    ini.WriteString("Conf", "TextureFName", s.textureFName);
    ini.WriteString("Conf", "CoverColor", a.coverColor);
    ini.WriteString("Conf", "PageColor", a.pageColor);
    ini.WriteBool("Conf", "ClearImage", a.clearImage);
    ini.WriteInteger("Conf", "SpilitMode", a.page.splitMode);
    ini.WriteInteger("Conf", "ACInterval", a.acInterval);
    ini.WriteInteger("Conf", "SusieLoc", s.susieLoc);
    ini.WriteString("Conf", "ImgViewer", s.imgViewer);
    for (std::size_t i = 0; i < s.shortcutFolderHistory.size(); ++i)
        ini.WriteString("Hist", "SCFolderHist" + std::to_string(i + 1), s.shortcutFolderHistory[i]);
    ini.WriteBool(kOwnSection, "ResumeOnOpen", s.resumeOnOpen);
    ini.WriteInteger(kOwnSection, "Language", s.language);
}

} // namespace folivex
