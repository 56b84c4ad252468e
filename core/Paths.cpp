#include "core/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace folivex {

std::string FolderOfPath(std::string_view path) {
    auto cut = path.rfind('/');
    if (cut == std::string_view::npos)
        cut = path.rfind(':');
    if (cut == std::string_view::npos)
        return {};
    return std::string(path.substr(0, cut + 1));
}

std::string WithTrailingSlash(std::string_view folder) {
    std::string out(folder);
    if (out.empty() || out.back() != '/')
        out += '/';
    return out;
}

std::string DataFolderFor(std::string_view programFolder) {
    std::string program = WithTrailingSlash(programFolder);
    const bool installed = FileExists(program + std::string(kInstalledMarker));
    if (!installed && ::access(program.c_str(), W_OK) == 0)
        return program;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    std::string folder = WithTrailingSlash(base) + "folivex/";
    EnsureFolder(folder);
    return folder;
}

std::string LauncherProgramFor(std::string_view executable) {
    namespace fs = std::filesystem;
    const fs::path exe(executable);
    // PREFIX/lib/folivex/folivex -> PREFIX/bin/folivex
    const fs::path command = exe.parent_path().parent_path().parent_path() / "bin" / "folivex";
    std::error_code ec;
    if (fs::is_symlink(command, ec) && fs::equivalent(command, exe, ec) && !ec)
        return command.string();
    return std::string(executable);
}

void EnsureFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace folivex
