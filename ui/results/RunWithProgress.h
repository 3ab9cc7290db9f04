// A calculation run from the windows, on a thread of its own behind a progress dialog with
// Cancel: the points it computes are kept for the results window.
#pragma once

#include "engine/run/CalculationRun.h"
#include "engine/run/RunResults.h"

#include <functional>
#include <optional>

class QWidget;

namespace tavi::ui {

struct WindowRun {
    bool completed = false;  // false: cancelled, or the program is ending; nothing was written
    RunOutcome outcome;
    std::optional<RunResults> results;  // the points of a run that swept
};

// Runs run(control), which calls RunCalculation or calculateInMemory with the control given: an
// observer that keeps the points, the dialog's stop, and every core. Errors of the run
// (FileError and the like) are thrown here.
WindowRun runWithProgress(QWidget* parent, const std::function<RunOutcome(const RunControl&)>& run);

}  // namespace tavi::ui
