// Desktop launchers that start the program on a saved album: freedesktop desktop entry
// files (TITLE.desktop), written with the quoting rules of the Desktop Entry format so
// titles and paths with blanks, quotes, percent signs or Japanese survive.
#pragma once

#include <string>
#include <string_view>

namespace folivex {

// The window state a launcher asks for. Desktop entries have no key for it, so every
// state starts the program in its normal window.
enum class ShowState { Normal, Minimized, Maximized };

// One argument of an Exec line: double-quoted, with `"`, "`", "$" and "\" escaped by a
// backslash and "%" doubled (before the file's own string escaping).
std::string QuoteExecArgument(std::string_view argument);

// A value as the desktop entry file stores it: "\" doubled, line breaks and tabs as
// \n, \r, \t, and a leading blank as \s.
std::string EscapeDesktopValue(std::string_view value);

// The launcher file's text: Type=Application, Name, Exec (program and album path) and
// Path (working folder).
std::string LauncherText(std::string_view name, std::string_view program, std::string_view argument,
                         std::string_view workingFolder);

// A title made usable as a file name: "/" and control characters become "_". Only the
// launcher's file name changes; its Name= keeps the title.
std::string LauncherFileName(std::string_view title);

// Writes the launcher and makes it executable. False on any failure; nothing is left
// behind then.
bool CreateShortcut(const std::string& shortcutPath, const std::string& targetProgram,
                    ShowState show, const std::string& workingFolder, const std::string& argument,
                    const std::string& name);

} // namespace folivex
