// Errors of the program: exceptions that carry the exact text shown to the user.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace folivex {

// Base of every error the program reports. The message is UTF-8 and is shown as it
// stands in the error box by the one report handler of the main window.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The toolkit's error texts, kept in one place so every module raises the same words.
namespace msg {
inline constexpr std::string_view kCannotOpen = "ﾌｧｲﾙ %s は開けません";
inline constexpr std::string_view kCannotCreate = "ﾌｧｲﾙ %s を作成できません";
inline constexpr std::string_view kNotInteger = "'%s' は整数ではありません";
inline constexpr std::string_view kIndexOutOfRange = "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%d)";
inline constexpr std::string_view kCannotWrite = "%s に書き込めません";
} // namespace msg

// Replaces the first "%s" or "%d" of a message pattern with a value.
std::string FormatMessage(std::string_view pattern, std::string_view value);
std::string FormatMessage(std::string_view pattern, long long value);

} // namespace folivex
