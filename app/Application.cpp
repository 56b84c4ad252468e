#include "app/Application.h"

#include "ui/Dialogs.h"

#include <QFont>

namespace folivex {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Folivex"));
    setApplicationDisplayName(QStringLiteral("Folivex"));
    // The Windows edition's Japanese fonts, mapped to the IPA fonts of the desktop.
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportError(e);
    }
    return false;
}

void Application::ReportError(const std::exception& e) {
    AppDialogs().ErrorBox(QString::fromUtf8(e.what()));
}

} // namespace folivex
