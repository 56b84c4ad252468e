// The values the program keeps between runs, read once at start and written once at
// close. The in-memory copy is the master during a run.
#pragma once

#include "core/IniFile.h"

#include <array>
#include <string>

namespace folivex {

struct Settings {
    std::string pictureFolder = "OnDesk";             // Folder/Current
    bool thumbnails = true;                           // Thum/Check
    int thumbnailSize = 32;                           // Thum/Size
    int rate = 85;                                    // Conf/Rate
    bool maxOpen = false;                             // Conf/MaxOpen
    std::string shortcutFolder;                       // Conf/BStandFolder
    int openMode = 1;                                 // Conf/OpenMode
    std::string textureFName;                         // Conf/TextureFName
    std::string coverColor = "clWhite";               // Conf/CoverColor
    std::string pageColor = "clWhite";                // Conf/PageColor
    bool clearImage = false;                          // Conf/ClearImage
    int splitMode = 0;                                // Conf/SpilitMode
    int acInterval = 5;                               // Conf/ACInterval
    int susieLoc = 1;                                 // Conf/SusieLoc
    std::string imgViewer;                            // Conf/ImgViewer
    std::array<std::string, 5> shortcutFolderHistory; // Hist/SCFolderHist1..5
};

// Reads every key in the order of start-up; missing keys give the defaults above.
Settings ReadSettings(const IniFile& ini);

// Writes every key in the order of closing, empty texts included. A failed write raises
// "%s に書き込めません" and the keys after it stay unwritten.
void WriteSettings(IniFile& ini, const Settings& s);

// The window bounds kept around full-screen mode (section "PosSize").
struct WindowBounds {
    int left = 0, top = 0, width = 600, height = 460;
};
WindowBounds ReadPosSize(const IniFile& ini, int screenWidth, int screenHeight);
void WritePosSize(IniFile& ini, const WindowBounds& b);

// The start-up bounds: 600 x 460 centred, halves truncated toward zero.
WindowBounds CentredStartBounds(int screenWidth, int screenHeight);

} // namespace folivex
