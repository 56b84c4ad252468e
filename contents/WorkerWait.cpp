#include "contents/WorkerWait.h"

#include "contents/ThumbnailBuildLoop.h"

#include <QTimer>

#include <exception>
#include <thread>

namespace folivex {

bool RunOnWorker(QWidget* window, const std::function<void(const std::atomic<bool>& stop)>& job,
                 const std::function<void()>& tick, int tickMs) {
    ThumbnailBuildLoop loop(window);
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};
    std::exception_ptr failure;
    QTimer ticker;
    ticker.setInterval(tickMs);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (tick)
            tick();
    });
    ticker.start();
    std::thread worker([&] {
        try {
            job(stop);
        } catch (...) {
            failure = std::current_exception(); // raised again on the UI thread below
        }
        ended = true;
        loop.Wake();
    });
    while (!ended && !loop.Stopped())
        loop.Sleep();
    stop = loop.Stopped();
    // The job checks the flag between small steps, so this wait is short.
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return !stop;
}

} // namespace folivex
