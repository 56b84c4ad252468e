// Conversion between the program's UTF-8 text and the CP932 (Shift-JIS) bytes of the
// settings and album files, which keep the Windows edition's encoding.
#pragma once

#include <string>
#include <string_view>

namespace folivex {

// Converts UTF-8 to CP932. Characters CP932 cannot hold become "?"; *exact (when given)
// tells whether every character survived, so callers can avoid writing damaged text.
std::string Utf8ToCp932(std::string_view utf8, bool* exact = nullptr);

// Converts CP932 bytes to UTF-8; undecodable bytes become U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);

// Byte length of a text in its CP932 form (lengths the Windows edition counted in bytes).
std::size_t Cp932Length(std::string_view utf8);

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The value of a hexadecimal digit in either letter case, or -1 for any other character
// (for the escapes in names: "%E5", "\\x20").
constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A stored text file: CP932 unless it starts with a UTF-8 byte-order mark.
std::string DecodeFileText(std::string_view bytes);

// The bytes to store for a text: CP932 when it holds every character, otherwise UTF-8
// behind a byte-order mark, so no name is ever written damaged.
std::string EncodeFileText(std::string_view utf8);

} // namespace folivex
