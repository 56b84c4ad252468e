// The application object: one place where an error escaping any command is reported in
// the error box, after which the event loop goes on.
#pragma once

#include <QApplication>

namespace folivex {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error's message in the error box; used by notify() and by code that
    // runs outside event delivery (start-up, forwarded albums).
    static void ReportError(const std::exception& e);
};

} // namespace folivex
