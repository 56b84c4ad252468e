#include "core/IniFile.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/Paths.h"
#include "core/TextCodec.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>

namespace folivex {

namespace {

std::string_view Trim(std::string_view s) {
    const char* blanks = " \t";
    auto b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos)
        return {};
    auto e = s.find_last_not_of(blanks);
    return s.substr(b, e - b + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

// The section name of a "[name]" line, or nothing for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
    auto t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    auto close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

bool IsKeyLine(std::string_view line, std::string_view key, std::string_view* value) {
    auto t = Trim(line);
    if (t.empty() || t.front() == ';')
        return false;
    auto eq = t.find('=');
    if (eq == std::string_view::npos || !EqualsNoCase(Trim(t.substr(0, eq)), key))
        return false;
    if (value)
        *value = Trim(t.substr(eq + 1));
    return true;
}

// Cuts a UTF-8 text so that its CP932 form fits the reader's buffer, never splitting a
// character.
std::string CutToBuffer(std::string_view value) {
    if (value.size() <= IniFile::kMaxTextBytes && Cp932Length(value) <= IniFile::kMaxTextBytes)
        return std::string(value);
    std::string out;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < value.size();) {
        auto c = static_cast<unsigned char>(value[i]);
        std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        auto ch = value.substr(i, len);
        std::size_t add = Cp932Length(ch);
        if (bytes + add > IniFile::kMaxTextBytes)
            break;
        bytes += add;
        out.append(ch);
        i += len;
    }
    return out;
}

struct Location {
    std::size_t sectionLine = std::string::npos; // line of "[section]"
    std::size_t keyLine = std::string::npos;     // line of "key=value"
    std::size_t lastEntry = std::string::npos;   // last non-blank line of the section
};

Location Find(const std::vector<std::string>& lines, std::string_view section, std::string_view key,
              std::string_view* value) {
    Location loc;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionOf(lines[i])) {
            if (inSection)
                break; // only the first section of that name counts
            inSection = EqualsNoCase(*name, section);
            if (inSection)
                loc.sectionLine = loc.lastEntry = i;
            continue;
        }
        if (!inSection)
            continue;
        if (!Trim(lines[i]).empty())
            loc.lastEntry = i;
        if (loc.keyLine == std::string::npos && IsKeyLine(lines[i], key, value))
            loc.keyLine = i;
    }
    return loc;
}

std::string Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// The whole file, or nothing when it cannot be opened or a read fails.
std::optional<std::string> ReadAll(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[16384];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, got);
    if (std::ferror(file.get()))
        return std::nullopt;
    return bytes;
}

} // namespace

std::optional<int> ParseInteger(std::string_view text) {
    auto t = Trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty())
        return std::nullopt;
    unsigned long long v = 0;
    for (char c : t) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        v = v * unsigned(base) + unsigned(d);
        if (v > 0xFFFFFFFFull)
            return std::nullopt;
    }
    long long value;
    if (base == 16) {
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    } else {
        if (v > (negative ? 2147483648ull : 2147483647ull))
            return std::nullopt;
        value = static_cast<long long>(v);
    }
    return static_cast<int>(negative ? -value : value);
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::vector<std::string> IniFile::LoadLines() const {
    std::vector<std::string> lines;
    // A missing file reads as an empty settings file. One that is there but cannot be
    // read reads as empty too, and is never written over: a write would keep only the
    // one key and lose the rest.
    if (!FileExists(path_))
        return lines;
    const std::optional<std::string> bytes = ReadAll(path_);
    if (!bytes) {
        unreadable_ = true;
        return lines;
    }
    std::string text = DecodeFileText(*bytes);
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

void IniFile::SaveLines(const std::vector<std::string>& lines) const {
    std::string text;
    for (const auto& l : lines)
        text += l + "\r\n";
    WriteFileAtomically(path_, EncodeFileText(text), {msg::kCannotWrite, msg::kCannotWrite});
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    auto lines = LoadLines();
    std::string_view value;
    Location loc = Find(lines, section, key, &value);
    if (loc.keyLine == std::string::npos)
        return CutToBuffer(fallback);
    return CutToBuffer(Unquote(value));
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    std::string text = ReadString(section, key, "");
    return ParseInteger(text).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    // A line break would end the entry and start lines of its own (a second section, a
    // planted key), and a NUL would cut it: such a value is not written, the key keeps
    // the value it had.
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return;
    auto lines = LoadLines();
    if (unreadable_)
        return;
    Location loc = Find(lines, section, key, nullptr);
    std::string entry = std::string(key) + "=" + std::string(value);
    if (loc.keyLine != std::string::npos) {
        lines[loc.keyLine] = entry;
    } else if (loc.sectionLine != std::string::npos) {
        lines.insert(lines.begin() + std::ptrdiff_t(loc.lastEntry + 1), entry);
    } else {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(entry);
    }
    SaveLines(lines);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

} // namespace folivex
