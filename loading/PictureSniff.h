// Which built-in reader a picture's first bytes belong to. A picture is known by its
// content before its name: web downloads and renamed files often carry the wrong
// extension, and the name only decides when the content does not.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace folivex {

enum class BuiltInFormat { None, Jpeg, Bmp };

// JPEG: the start-of-image marker followed by a marker. BMP: "BM" with one of the known
// header sizes, so that a text file that happens to start with "BM" is not taken.
BuiltInFormat SniffBuiltInFormat(std::span<const std::uint8_t> head);

// The built-in reader a file name points at (".jpg", ".jpeg", ".jpe", ".jfif", ".bmp",
// any letter case), for when the content decides nothing.
BuiltInFormat BuiltInFormatOfName(std::string_view name);

} // namespace folivex
