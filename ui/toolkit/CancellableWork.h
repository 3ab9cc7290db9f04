// Long work, such as a calculation run, done on a thread of its own while the windows stay
// drawn: after half a second a progress dialog with Cancel shows. Cancel, or a request to end
// the program (SIGTERM), asks the work to stop; it then ends within one of its steps.
#pragma once

#include "engine/StopToken.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class QWidget;

namespace tavi::ui {

// What the work tells the progress dialog: how many steps it has and how many are done.
struct WorkProgress {
    std::atomic<std::int64_t> total{0};
    std::atomic<std::int64_t> done{0};
};

// Runs work(stop, progress) on another thread and waits for it, keeping the windows drawn;
// input to them waits until the work has ended. Returns true when the work ended on its own,
// false when it was asked to stop and did (threw Stopped). Any other exception of the work is
// thrown again here, in the calling thread.
bool runCancellable(QWidget* parent, const QString& label,
                    const std::function<void(StopToken stop, WorkProgress& progress)>& work);

// Tests: the delay before the progress dialog shows, in milliseconds (500 unless set).
void setProgressDelay(int milliseconds);

}  // namespace tavi::ui
