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

// Marks a message pattern for the translation catalogue: lupdate reads it as
// QT_TRANSLATE_NOOP (see translations/README.md). The constant stays the Japanese source
// text; the text is translated where it is shown (ui/Translation.h, ShownMessage), so
// everything below the dialogs, and every file the program writes, keeps the original.
#define FOLIVEX_TRANSLATE_NOOP(context, text) text

// The toolkit's error texts, kept in one place so every module raises the same words.
namespace msg {
inline constexpr std::string_view kCannotOpen =
    FOLIVEX_TRANSLATE_NOOP("Messages", "ﾌｧｲﾙ %s は開けません");
inline constexpr std::string_view kCannotCreate =
    FOLIVEX_TRANSLATE_NOOP("Messages", "ﾌｧｲﾙ %s を作成できません");
inline constexpr std::string_view kNotInteger =
    FOLIVEX_TRANSLATE_NOOP("Messages", "'%s' は整数ではありません");
inline constexpr std::string_view kIndexOutOfRange =
    FOLIVEX_TRANSLATE_NOOP("Messages", "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%d)");
inline constexpr std::string_view kCannotWrite =
    FOLIVEX_TRANSLATE_NOOP("Messages", "%s に書き込めません");
} // namespace msg

// Replaces the first "%s" or "%d" of a message pattern with a value.
std::string FormatMessage(std::string_view pattern, std::string_view value);
std::string FormatMessage(std::string_view pattern, long long value);

} // namespace folivex
