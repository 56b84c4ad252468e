#include "core/Settings.h"

namespace folivex {

Settings ReadSettings(const IniFile& ini) {
    Settings s;
    s.pictureFolder = ini.ReadString("Folder", "Current", s.pictureFolder);
    s.thumbnails = ini.ReadBool("Thum", "Check", s.thumbnails);
    s.thumbnailSize = ini.ReadInteger("Thum", "Size", s.thumbnailSize);
    s.rate = ini.ReadInteger("Conf", "Rate", s.rate);
    s.shortcutFolder = ini.ReadString("Conf", "BStandFolder", "");
    s.maxOpen = ini.ReadBool("Conf", "MaxOpen", false);
    s.openMode = ini.ReadInteger("Conf", "OpenMode", s.openMode);
    s.textureFName = ini.ReadString("Conf", "TextureFName", "");
    s.coverColor = ini.ReadString("Conf", "CoverColor", s.coverColor);
    s.pageColor = ini.ReadString("Conf", "PageColor", s.pageColor);
    s.clearImage = ini.ReadBool("Conf", "ClearImage", s.clearImage);
    s.splitMode = ini.ReadInteger("Conf", "SpilitMode", s.splitMode);
    s.acInterval = ini.ReadInteger("Conf", "ACInterval", s.acInterval);
    s.susieLoc = ini.ReadInteger("Conf", "SusieLoc", s.susieLoc);
    s.imgViewer = ini.ReadString("Conf", "ImgViewer", "");
    for (std::size_t i = 0; i < s.shortcutFolderHistory.size(); ++i)
        s.shortcutFolderHistory[i] =
            ini.ReadString("Hist", "SCFolderHist" + std::to_string(i + 1), "");
    return s;
}

void WriteSettings(IniFile& ini, const Settings& s) {
    ini.WriteString("Folder", "Current", s.pictureFolder);
    ini.WriteBool("Thum", "Check", s.thumbnails);
    ini.WriteInteger("Thum", "Size", s.thumbnailSize);
    ini.WriteInteger("Conf", "Rate", s.rate);
    ini.WriteBool("Conf", "MaxOpen", s.maxOpen);
    ini.WriteString("Conf", "BStandFolder", s.shortcutFolder);
    ini.WriteInteger("Conf", "OpenMode", s.openMode);
    ini.WriteString("Conf", "TextureFName", s.textureFName);
    ini.WriteString("Conf", "CoverColor", s.coverColor);
    ini.WriteString("Conf", "PageColor", s.pageColor);
    ini.WriteBool("Conf", "ClearImage", s.clearImage);
    ini.WriteInteger("Conf", "SpilitMode", s.splitMode);
    ini.WriteInteger("Conf", "ACInterval", s.acInterval);
    ini.WriteInteger("Conf", "SusieLoc", s.susieLoc);
    ini.WriteString("Conf", "ImgViewer", s.imgViewer);
    for (std::size_t i = 0; i < s.shortcutFolderHistory.size(); ++i)
        ini.WriteString("Hist", "SCFolderHist" + std::to_string(i + 1), s.shortcutFolderHistory[i]);
}

WindowBounds CentredStartBounds(int screenWidth, int screenHeight) {
    return {(screenWidth - 600) / 2, (screenHeight - 460) / 2, 600, 460};
}

WindowBounds ReadPosSize(const IniFile& ini, int screenWidth, int screenHeight) {
    WindowBounds d = CentredStartBounds(screenWidth, screenHeight);
    WindowBounds b;
    b.top = ini.ReadInteger("PosSize", "Top", d.top);
    b.left = ini.ReadInteger("PosSize", "Left", d.left);
    b.width = ini.ReadInteger("PosSize", "Width", d.width);
    b.height = ini.ReadInteger("PosSize", "Height", d.height);
    return b;
}

void WritePosSize(IniFile& ini, const WindowBounds& b) {
    ini.WriteInteger("PosSize", "Top", b.top);
    ini.WriteInteger("PosSize", "Left", b.left);
    ini.WriteInteger("PosSize", "Width", b.width);
    ini.WriteInteger("PosSize", "Height", b.height);
}

} // namespace folivex
