#include "core/Paths.h"

#include "core/TextCodec.h"

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

namespace {

// "%XX" escapes as bytes; a "%" that starts no escape stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? HexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
        if (c != prefix[i])
            return false;
    }
    return true;
}

// The local path of a "file:" URI; the argument itself when it is none. A URI naming
// another host is left as it is, and will not open.
std::string LocalPathOfUri(std::string_view argument) {
    constexpr std::string_view kScheme = "file://";
    if (!StartsWithNoCase(argument, kScheme))
        return std::string(argument);
    std::string_view rest = argument.substr(kScheme.size());
    if (StartsWithNoCase(rest, "localhost/"))
        rest.remove_prefix(std::string_view("localhost").size());
    if (rest.empty() || rest.front() != '/')
        return std::string(argument);
    // A literal "?" or "#" ends the path part; in a name they arrive as %3F and %23.
    rest = rest.substr(0, rest.find_first_of("?#"));
    return PercentDecoded(rest);
}

// Drops "." parts and doubled slashes and resolves ".." against the folder before it,
// the way the system would: through a symbolic link to that folder's real place.
std::string Normalised(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    fs::path out = path.root_path();
    for (const fs::path& part : path.relative_path()) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            std::error_code ec;
            if (fs::is_symlink(out, ec)) {
                const fs::path real = fs::canonical(out, ec);
                if (!ec)
                    out = real;
            }
            out = out.has_relative_path() ? out.parent_path() : out;
            continue;
        }
        out /= part;
    }
    std::string text = out.string();
    const std::string original = path.string();
    if (!original.empty() && original.back() == '/' && (text.empty() || text.back() != '/'))
        text += '/';
    return text;
}

} // namespace

std::string AbsoluteArgumentPath(std::string_view argument, std::string_view workingFolder) {
    namespace fs = std::filesystem;
    const std::string local = LocalPathOfUri(argument);
    if (local.empty() || StartsWithNoCase(local, "file://"))
        return local; // nothing, or a URI of another host
    fs::path path(local);
    if (path.is_relative() && !workingFolder.empty())
        path = fs::path(std::string(workingFolder)) / path;
    if (path.is_relative())
        return local;
    return Normalised(path);
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
