// The preferences the program keeps between runs (the album values of the same file
// belong to the album state), and the window bounds kept around full-screen mode.
#pragma once

#include "core/IniFile.h"

#include <array>
#include <string>

namespace folivex {

struct Settings {
    bool thumbnails = true;                           // Thum/Check
    int thumbnailSize = 32;                           // Thum/Size
    bool maxOpen = false;                             // Conf/MaxOpen
    std::string shortcutFolder;                       // Conf/BStandFolder
    std::string textureFName;                         // Conf/TextureFName
    int susieLoc = 1;                                 // Conf/SusieLoc
    std::string imgViewer;                            // Conf/ImgViewer
    std::array<std::string, 5> shortcutFolderHistory; // Hist/SCFolderHist1..5
    bool resumeOnOpen = false;                        // Folivex/ResumeOnOpen
    int language = 0; // Folivex/Language: 0 from the locale, 1 Japanese, 2 English
};

// The window bounds kept around full-screen mode (section "PosSize").
struct WindowBounds {
    int left = 0, top = 0, width = 600, height = 460;
};
WindowBounds ReadPosSize(const IniFile& ini, int screenWidth, int screenHeight);
void WritePosSize(IniFile& ini, const WindowBounds& b);

// The start-up bounds: 600 x 460 centred, halves truncated toward zero.
WindowBounds CentredStartBounds(int screenWidth, int screenHeight);

} // namespace folivex
