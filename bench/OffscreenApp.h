// The Qt application the drawing benchmarks need for fonts and images: offscreen, made on
// first use, with the desktop's Japanese caption font mapped to the installed IPA font.
#pragma once

#include <QFont>
#include <QGuiApplication>

namespace folivex::bench {

inline QGuiApplication& OffscreenApp() {
    static int argc = 1;
    static char name[] = "folivex_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* a = new QGuiApplication(argc, argv);
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
        return a;
    }();
    return *app;
}

} // namespace folivex::bench
