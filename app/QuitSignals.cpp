#include "app/QuitSignals.h"

#include <QSocketNotifier>
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

} // namespace

void CloseOnQuitSignals(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_signalPipe[1], &byte, 1);
        window->close();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

} // namespace folivex
