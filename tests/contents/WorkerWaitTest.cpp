// A job on a worker thread while the UI thread waits in its event loop: ticks run during
// the job, the job's own error comes back, and Esc asks the job to stop.
#include "contents/WorkerWait.h"

#include "core/Error.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace folivex {
namespace {

// Holds the job until the UI thread has ticked `ticks` times, so a wait that blocked the
// UI thread would never end.
void WaitForTicks(const std::atomic<int>& ticked, int ticks) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ticked < ticks && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

TEST(WorkerWait, TicksRunDuringTheJobErrorsComeBackAndEscStopsIt) {
    QWidget window;
    window.show();
    std::atomic<int> ticked{0};
    auto tick = [&] { ++ticked; };

    EXPECT_TRUE(RunOnWorker(
        &window, [&](const std::atomic<bool>&) { WaitForTicks(ticked, 3); }, tick, 5));
    EXPECT_GE(ticked, 3);

    ticked = 0;
    EXPECT_THROW(RunOnWorker(
                     &window,
                     [&](const std::atomic<bool>&) {
                         WaitForTicks(ticked, 1);
                         throw Error("ﾌｧｲﾙ x は開けません");
                     },
                     tick, 5),
                 Error);

    // Esc reaches the window as a person's key does; the job sees the flag and ends.
    bool sawStop = false;
    QCoreApplication::postEvent(&window,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_FALSE(RunOnWorker(&window, [&](const std::atomic<bool>& stop) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!stop && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        sawStop = stop;
    }));
    EXPECT_TRUE(sawStop);
}

} // namespace
} // namespace folivex
