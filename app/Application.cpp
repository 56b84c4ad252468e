#include "app/Application.h"

#include "resources/Icons.h"
#include "ui/Dialogs.h"

#include <QFont>

namespace folivex {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Folivex"));
    // The launcher's name, so a desktop matches the windows to it (and to its icon).
    setDesktopFileName(QStringLiteral("org.folivex.Folivex"));
    setWindowIcon(ProgramIcon());
    // No display name: Qt would append it to every caption, and the captions are the
    // program's own texts exactly ("Folivex - TITLE", "警告", ...).
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
    ShowErrorBox(QString::fromUtf8(e.what()));
}

} // namespace folivex
