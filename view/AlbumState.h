// The state of the running album that the main window owns and the view, the contents
// page and the album files read and change.
#pragma once

#include "view/PageModel.h"

#include <array>
#include <string>

namespace folivex {

struct PictureRect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct AlbumState {
    PageModel page;           // CurrentPage, SplitMode, OpenMode
    int coverMode = 2;        // 0 title, 1 cover picture, 2 folder name
    std::string albumTitle;   // UTF-8
    std::string coverPicture; // relative to pictureFolder
    std::string coverColor = "clWhite";
    std::string pageColor = "clWhite";
    int rate = 85;            // picture share of its page, percent
    bool clearImage = false;  // clean scaling
    double bookScale = 0.94;  // 1.0 in full screen
    int acInterval = 5;       // seconds
    std::string autoTurnSide; // "R", "L" or empty
    bool turning = false;
    std::array<std::string, 4> slotFiles;
    PictureRect pictureBox;
    int downX = 0, downY = 0;
    std::string pictureFolder; // always ends with "/" once chosen
    int activeView = 0;        // 0 View page, 1 Contents page, -1 after an album opened
    bool albumViewingMode = false;
    std::string albumFile;    // the album file read last, while in album viewing mode
    std::string albumTexture; // texture line of the last album file read
};

} // namespace folivex
