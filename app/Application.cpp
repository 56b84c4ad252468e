#include "app/Application.h"

#include "resources/Icons.h"
#include "ui/Dialogs.h"

#include <QFont>
#include <QStringList>

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

namespace {

// The error box runs an event loop, and what fails while it is open (a resize that redraws
// the broken spread, a queued command) reported again on top of it: boxes piled up, one per
// resize, and a key answered the top one only. A report that comes while a box is open
// waits for it to close, and the text already shown or waiting is not shown again.
struct OpenErrorBox {
    bool open = false;
    QString shown;
    QStringList waiting;
};

OpenErrorBox& ErrorBoxState() {
    static OpenErrorBox state;
    return state;
}

} // namespace

void Application::ReportError(const std::exception& e) {
    OpenErrorBox& box = ErrorBoxState();
    const QString text = QString::fromUtf8(e.what());
    if (box.open) {
        if (text != box.shown && !box.waiting.contains(text))
            box.waiting.append(text);
        return;
    }
    struct Closed {
        OpenErrorBox& box;
        ~Closed() {
            box.open = false;
            box.waiting.clear();
        }
    } closed{box};
    box.open = true;
    for (box.shown = text;; box.shown = box.waiting.takeFirst()) {
        AppDialogs().ErrorBox(box.shown);
        if (box.waiting.isEmpty())
            break;
    }
}

} // namespace folivex
