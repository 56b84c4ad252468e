// Path helpers shared by the album files, the contents page and start-up.
#pragma once

#include <string>
#include <string_view>

namespace folivex {

// The part of a path up to and including its last "/", or, when it has none, up to and
// including its last ":"; empty when it has neither.
std::string FolderOfPath(std::string_view path);

// Appends "/" unless the folder already ends with one.
std::string WithTrailingSlash(std::string_view folder);

// Where "Folmo.INI", "AJVs/" and "Cache/" live: the program folder when it is writable
// (a portable install), else $XDG_CONFIG_HOME/folivex/ (default ~/.config/folivex/).
// Always ends with "/".
std::string DataFolderFor(std::string_view programFolder);

// Creates a folder (and its parents); an existing folder is fine, failure is not reported.
void EnsureFolder(const std::string& folder);

bool FileExists(const std::string& path);

} // namespace folivex
