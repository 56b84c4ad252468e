#include "app/QuitSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace folivex {

namespace {

int g_signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe wakes the event loop.
extern "C" void OnQuitSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[0], &byte, 1);
}

// One step towards closing: a modal box or dialog is answered with its cancel (a
// question then counts as "no"), so its event loop ends and the command that opened it
// finishes; once none is left and the window is up, the window closes the normal way.
// True when the window has been closed.
bool CloseStep(QWidget* window) {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        return false;
    }
    // Before the first show the start-up is still running; it ends in the event loop.
    if (!window->isVisible())
        return false;
    window->close();
    QCoreApplication::quit();
    return true;
}

} // namespace

void CloseOnQuitSignals(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, window);
    auto* closer = new QTimer(window);
    closer->setInterval(20);
    QObject::connect(closer, &QTimer::timeout, window, [window, closer] {
        if (CloseStep(window))
            closer->stop();
    });
    QObject::connect(notifier, &QSocketNotifier::activated, window, [closer] {
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_signalPipe[1], &byte, 1);
        if (!closer->isActive())
            closer->start();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

} // namespace folivex
