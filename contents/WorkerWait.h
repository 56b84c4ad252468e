// Running one long job (the listing of a solid or compressed archive) on a worker thread
// while the UI thread waits in a ThumbnailBuildLoop, so the window keeps painting.
#pragma once

#include <QWidget>

#include <atomic>
#include <functional>

namespace folivex {

// Runs `job` on a new thread and waits for it: the window paints, input other than Esc
// is held off, and `tick` runs on the UI thread every `tickMs` (the progress text). Esc,
// closing `window` or quitting sets the flag the job is given, which it should check
// often. Returns once the job has ended: true when it ran to its end unasked, false when
// it was asked to stop. An exception the job raises is raised here.
bool RunOnWorker(QWidget* window, const std::function<void(const std::atomic<bool>& stop)>& job,
                 const std::function<void()>& tick = {}, int tickMs = 100);

} // namespace folivex
