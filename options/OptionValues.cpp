#include "options/OptionValues.h"

#include <QGuiApplication>
#include <QPalette>

namespace folivex {

OptionValues ReadOptionValues(const Settings& settings, const AlbumState& state,
                              const QImage& texture) {
    OptionValues v;
    v.splitMode = state.page.splitMode;
    v.openMode = state.page.openMode;
    v.coverMode = state.coverMode;
    v.coverPicture = state.coverPicture;
    v.shortcutFolder = settings.shortcutFolder;
    v.imgViewer = settings.imgViewer;
    v.texture = texture;
    v.coverColor = state.coverColor;
    v.pageColor = state.pageColor;
    v.acInterval = state.acInterval;
    v.thumbnails = settings.thumbnails;
    v.thumbnailSize = settings.thumbnailSize;
    v.clearImage = state.clearImage;
    v.rate = state.rate;
    v.susieLoc = settings.susieLoc;
    v.resumeOnOpen = settings.resumeOnOpen;
    v.language = settings.language;
    return v;
}

void WriteOptionValues(const OptionValues& v, Settings& settings, AlbumState& state,
                       QImage& texture) {
    state.page.splitMode = v.splitMode;
    state.page.openMode = v.openMode;
    state.coverMode = v.coverMode;
    settings.shortcutFolder = v.shortcutFolder;
    settings.imgViewer = v.imgViewer;
    state.coverPicture = v.coverPicture;
    texture = v.texture;
    state.coverColor = v.coverColor;
    state.pageColor = v.pageColor;
    state.acInterval = v.acInterval;
    settings.thumbnails = v.thumbnails;
    settings.thumbnailSize = v.thumbnailSize;
    state.clearImage = v.clearImage;
    state.rate = v.rate;
    settings.susieLoc = v.susieLoc;
    settings.resumeOnOpen = v.resumeOnOpen;
    settings.language = v.language;
}

void PushShortcutFolder(std::array<std::string, 5>& history, const std::string& folder) {
    std::string front = folder; // may refer to an entry that is about to move
    for (std::size_t i = history.size() - 1; i > 0; --i)
        history[i] = history[i - 1];
    history[0] = std::move(front);
}

ModeButtonChecks OptionsAccepted(AlbumState& state) {
    state.page.currentPage = PageModel::kFrontCover;
    return {state.page.splitMode != 0, state.page.openMode != 0, state.clearImage};
}

namespace {

// The desktop colour that stands for system colour n, as 0x00BBGGRR.
std::uint32_t PaletteColor(int n) {
    static constexpr QPalette::ColorRole kRoles[kSystemColorCount] = {QPalette::Button,
                                                                      QPalette::Window,
                                                                      QPalette::Highlight,
                                                                      QPalette::Window,
                                                                      QPalette::Window,
                                                                      QPalette::Base,
                                                                      QPalette::Shadow,
                                                                      QPalette::WindowText,
                                                                      QPalette::WindowText,
                                                                      QPalette::HighlightedText,
                                                                      QPalette::Window,
                                                                      QPalette::Window,
                                                                      QPalette::Dark,
                                                                      QPalette::Highlight,
                                                                      QPalette::HighlightedText,
                                                                      QPalette::Button,
                                                                      QPalette::Mid,
                                                                      QPalette::PlaceholderText,
                                                                      QPalette::ButtonText,
                                                                      QPalette::WindowText,
                                                                      QPalette::Light,
                                                                      QPalette::Shadow,
                                                                      QPalette::Midlight,
                                                                      QPalette::ToolTipText,
                                                                      QPalette::ToolTipBase};
    const QColor c = QGuiApplication::palette().color(kRoles[n]);
    return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
}

} // namespace

QColor ToQColor(Color color) {
    const std::uint32_t v = ResolveColor(color, PaletteColor);
    return QColor(int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF));
}

Color FromQColor(const QColor& color) {
    return Color(color.red() | color.green() << 8 | color.blue() << 16);
}

} // namespace folivex
