// The glyphs of the toolbar buttons and the program icon. A button shows the desktop
// theme's icon where the theme has one of that name, else the program's own drawing, so
// the bars look the same on a desktop without an icon theme.
#pragma once

#include <QIcon>
#include <QImage>

#include <string_view>

namespace folivex {

// themeName may be empty (no freedesktop name fits); ownName is one of the drawings
// shipped in resources/icons/ ("album-open", "split-2", ...).
QIcon ToolbarIcon(std::string_view themeName, std::string_view ownName);

// The program's own drawing at size x size pixels; a null image for an unknown name.
QImage RenderOwnIcon(std::string_view ownName, int size);

// The program icon of the window and the version dialog.
QIcon ProgramIcon();

} // namespace folivex
