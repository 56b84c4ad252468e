// The settings file: INI text with the rules of the Windows private-profile functions.
// Sections and keys match without regard to letter case, lines the program does not
// know are kept, and every write replaces the whole file atomically (see AtomicFile), so a
// crash, a kill or a full disk never leaves half a settings file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// Parses an integer the way the settings reader does: optional blanks and sign, decimal
// digits, or hexadecimal after "$" or "0x"/"0X". Returns nothing for any other text or
// a value outside 32 bits (hexadecimal up to FFFFFFFF wraps, as the Windows edition did).
std::optional<int> ParseInteger(std::string_view text);

class IniFile {
public:
    // Longest text a read returns (the Windows edition read into a 1024-byte buffer).
    static constexpr std::size_t kMaxTextBytes = 1023;

    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // A settings file that exists but could not be read (an I/O error): it reads as empty,
    // and no write replaces it for the life of this object.
    bool Unreadable() const { return unreadable_; }

    // Each write saves the file at once; failure raises "%s に書き込めません", and so does a
    // settings file made read-only, which is then left as it is. A value holding CR, LF
    // or NUL is not written (the key keeps its value), nor is anything once the file
    // proved unreadable.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

private:
    std::vector<std::string> LoadLines() const;
    void SaveLines(const std::vector<std::string>& lines) const;

    std::string path_;
    mutable bool unreadable_ = false;
};

} // namespace folivex
