// A calculation run from the windows, on a thread of its own behind a progress dialog with
// Cancel: the points it computes, with the search over the group sizes, are kept for the
// results window.
#pragma once

#include "engine/run/CalculationRun.h"
#include "engine/run/DesignResults.h"

#include <functional>
#include <optional>

class QWidget;

namespace tavi::ui {

struct WindowRun {
    bool completed = false;  // false: cancelled, or the program is ending; nothing was written
    RunOutcome outcome;
    std::optional<DesignResults> results;  // the results of a run that swept
};

// Runs run(control), which calls RunCalculation or calculateInMemory with the control given: an
// observer that keeps the points, the dialog's stop, and every core; then the search over the
// cells. Errors of the run (FileError and the like) are thrown here.
WindowRun runWithProgress(QWidget* parent, const std::function<RunOutcome(const RunControl&)>& run);

}  // namespace tavi::ui
