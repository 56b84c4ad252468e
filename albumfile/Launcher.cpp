#include "albumfile/Launcher.h"

#include "albumfile/AlbumText.h"
#include "core/Error.h"

#include <QString>

namespace folivex {

namespace {

// Desktop entry files must be UTF-8; a name read from a damaged file is repaired here
// (invalid sequences become U+FFFD) rather than making the whole launcher invalid.
std::string ValidUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toStdString();
}

} // namespace

std::string QuoteExecArgument(std::string_view argument) {
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out += '\\';
        if (c == '%')
            out += '%';
        out += c;
    }
    out += '"';
    return out;
}

std::string EscapeDesktopValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == ' ' && i == 0)
            out += "\\s";
        else
            out += c;
    }
    return out;
}

std::string LauncherText(std::string_view name, std::string_view program, std::string_view argument,
                         std::string_view workingFolder) {
    const std::string exec =
        QuoteExecArgument(ValidUtf8(program)) + " " + QuoteExecArgument(ValidUtf8(argument));
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           EscapeDesktopValue(ValidUtf8(name)) +
           "\n"
           "Exec=" +
           EscapeDesktopValue(exec) +
           "\n"
           "Path=" +
           EscapeDesktopValue(ValidUtf8(workingFolder)) +
           "\n"
           "Terminal=false\n";
}

std::string LauncherFileName(std::string_view title) {
    std::string out(title);
    for (char& c : out)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return out;
}

bool CreateShortcut(const std::string& shortcutPath, const std::string& targetProgram,
                    ShowState /*show: desktop entries cannot ask for a window state*/,
                    const std::string& workingFolder, const std::string& argument,
                    const std::string& name) {
    try {
        WriteFileReplacing(shortcutPath, LauncherText(name, targetProgram, argument, workingFolder),
                           /*executable=*/true);
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace folivex
