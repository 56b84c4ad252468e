// The values the options dialog edits, taken from the main window's settings and album
// state when the dialog is shown and given back when the user confirms it. Kept apart
// from the widgets so that the copying rules can be checked without a dialog.
#pragma once

#include "core/ColorText.h"
#include "core/Settings.h"
#include "view/AlbumState.h"

#include <QColor>
#include <QImage>

#include <array>
#include <string>

namespace folivex {

// Bounds of the spin boxes. The interval box has no bounds of its own; it is held to
// what a timer of value x 1000 milliseconds can take.
inline constexpr int kMinRate = 70, kMaxRate = 95, kRateStep = 5;
inline constexpr int kMinThumbSize = 16, kMaxThumbSize = 256;
inline constexpr int kMinInterval = 0, kMaxInterval = 2147483;

struct OptionValues {
    int splitMode = 0;
    int openMode = 1;
    int coverMode = 2;
    std::string coverPicture;
    std::string shortcutFolder;
    std::string imgViewer;
    QImage texture;
    std::string coverColor = "clWhite";
    std::string pageColor = "clWhite";
    int acInterval = 5;
    bool thumbnails = true;
    int thumbnailSize = 32;
    bool clearImage = false;
    int rate = 85;
    int susieLoc = 1;
    bool resumeOnOpen = false;
    int language = 0; // LanguageSetting: 0 automatic, 1 Japanese, 2 English
};

// The album values come from the album state, the preferences from the settings.
OptionValues ReadOptionValues(const Settings& settings, const AlbumState& state,
                              const QImage& texture);

// Gives the values back: the album values to the album state, the preferences to the
// settings.
void WriteOptionValues(const OptionValues& values, Settings& settings, AlbumState& state,
                       QImage& texture);

// Puts a folder in front of the remembered shortcut folders; the others move back by one
// and the last one is dropped. An equal folder further down stays where it is.
void PushShortcutFolder(std::array<std::string, 5>& history, const std::string& folder);

// After a confirmed dialog the book closes to its front cover; the mode buttons of the
// main window follow the new modes.
struct ModeButtonChecks {
    bool fourSplit = false;  // else two-split
    bool rightOpen = false;  // else left-opening
    bool clearImage = false; // else plain drawing
};
ModeButtonChecks OptionsAccepted(AlbumState& state);

// Colours between the stored form (0x00BBGGRR or a system colour) and Qt. System colours
// are taken from the application's palette.
QColor ToQColor(Color color);
Color FromQColor(const QColor& color);

} // namespace folivex
