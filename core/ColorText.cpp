#include "core/ColorText.h"

#include "core/Error.h"
#include "core/IniFile.h"

#include <array>
#include <cstdio>
#include <strings.h>

namespace folivex {

namespace {

struct NamedColor {
    const char* name;
    Color value;
};

constexpr Color Sys(int n) {
    return Color(std::uint32_t(0x80000000u) + std::uint32_t(n));
}

constexpr std::array<NamedColor, 41> kNamedColors{{
    {"clBlack", 0x000000},        {"clMaroon", 0x000080},
    {"clGreen", 0x008000},        {"clOlive", 0x008080},
    {"clNavy", 0x800000},         {"clPurple", 0x800080},
    {"clTeal", 0x808000},         {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},       {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},         {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},         {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},         {"clWhite", 0xFFFFFF},
    {"clScrollBar", Sys(0)},      {"clBackground", Sys(1)},
    {"clActiveCaption", Sys(2)},  {"clInactiveCaption", Sys(3)},
    {"clMenu", Sys(4)},           {"clWindow", Sys(5)},
    {"clWindowFrame", Sys(6)},    {"clMenuText", Sys(7)},
    {"clWindowText", Sys(8)},     {"clCaptionText", Sys(9)},
    {"clActiveBorder", Sys(10)},  {"clInactiveBorder", Sys(11)},
    {"clAppWorkSpace", Sys(12)},  {"clHighlight", Sys(13)},
    {"clHighlightText", Sys(14)}, {"clBtnFace", Sys(15)},
    {"clBtnShadow", Sys(16)},     {"clGrayText", Sys(17)},
    {"clBtnText", Sys(18)},       {"clInactiveCaptionText", Sys(19)},
    {"clBtnHighlight", Sys(20)},  {"cl3DDkShadow", Sys(21)},
    {"cl3DLight", Sys(22)},       {"clInfoText", Sys(23)},
    {"clInfoBk", Sys(24)},
}};

} // namespace

std::string ColorToString(Color color) {
    for (const auto& c : kNamedColors)
        if (c.value == color)
            return c.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
    return buf;
}

std::optional<Color> ColorFromIdent(std::string_view ident) {
    for (const auto& c : kNamedColors) {
        std::string_view name(c.name);
        if (name.size() == ident.size() && strncasecmp(name.data(), ident.data(), name.size()) == 0)
            return c.value;
    }
    return std::nullopt;
}

Color StringToColor(std::string_view text) {
    if (auto named = ColorFromIdent(text))
        return *named;
    if (auto number = ParseInteger(text))
        return *number;
    throw Error(FormatMessage(msg::kNotInteger, text));
}

std::uint32_t ResolveColor(Color color, const std::function<std::uint32_t(int)>& systemColor) {
    auto u = static_cast<std::uint32_t>(color);
    if (u & 0x80000000u) {
        int n = int(u & 0xFF);
        if (n < kSystemColorCount && systemColor)
            return systemColor(n) & 0xFFFFFFu;
        return 0;
    }
    return u & 0xFFFFFFu;
}

} // namespace folivex
