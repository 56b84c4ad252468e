// Colours as stored in the settings and album files: a toolkit identifier such as
// "clWhite", or "$" and eight hexadecimal digits of the value 0x00BBGGRR. System colours
// are 0x80000000 + n and are resolved against the desktop's palette before use.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace folivex {

using Color = std::int32_t; // 0x00BBGGRR, or 0x80000000 + n for system colour n

inline constexpr Color kSystemColorBase = std::int32_t(0x80000000u);
inline constexpr int kSystemColorCount = 25;

// The identifier of a colour, or "$" and eight hex digits when it has none.
std::string ColorToString(Color color);

// The identifier's colour, or nothing for a text that is not an identifier.
std::optional<Color> ColorFromIdent(std::string_view ident);

// An identifier or an integer text; any other text raises "'%s' は整数ではありません".
Color StringToColor(std::string_view text);

// Resolves system colours through the given lookup (n = 0..24 to 0x00BBGGRR) and returns
// plain 0x00BBGGRR values unchanged.
std::uint32_t ResolveColor(Color color, const std::function<std::uint32_t(int)>& systemColor);

} // namespace folivex
