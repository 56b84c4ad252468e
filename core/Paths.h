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

// The file that `cmake --install` and the package put into the program folder. Such a
// folder belongs to the system even when the user (root) could write into it, so it is
// never used as the data folder.
inline constexpr std::string_view kInstalledMarker = "INSTALLED";

// Where "Folmo.INI", "AJVs/" and "Cache/" live: the program folder when it is writable
// and not an installed one (a portable install), else $XDG_CONFIG_HOME/folivex/ (default
// ~/.config/folivex/). Always ends with "/".
std::string DataFolderFor(std::string_view programFolder);

// The program an album launcher starts: the installed command PREFIX/bin/folivex when
// `executable` is PREFIX/lib/folivex/folivex reached through that link (so a launcher
// keeps working when the program folder moves in an update), else the executable itself.
std::string LauncherProgramFor(std::string_view executable);

// A command-line argument as the path it names, whatever the working folder of the
// process that will open it: a "file://" URI (as file managers pass them, percent-encoded,
// host empty or "localhost") becomes its path, and a relative path is taken against
// `workingFolder`, with "." and ".." parts resolved by name. Symbolic links are kept as
// they are: a link to a picture opens the link's folder. Bytes need not be UTF-8.
std::string AbsoluteArgumentPath(std::string_view argument, std::string_view workingFolder);

// Creates a folder (and its parents); an existing folder is fine, failure is not reported.
void EnsureFolder(const std::string& folder);

bool FileExists(const std::string& path);

} // namespace folivex
