// The ways a results window opens: on a parameter file, computed in memory, or on a new plan
// from a template; and the end of the program with the last of them.
#pragma once

#include "engine/templates/DesignTemplates.h"
#include "ui/results/ResultsWindow.h"

#include <QString>

#include <memory>

namespace tavi::ui {

// Reads and computes parFile in memory, writing no file, and makes its results window, not yet
// shown. nullptr when the file cannot be read or its design is refused, with message saying why
// in one line.
std::unique_ptr<ResultsWindow> resultsOfFile(const QString& parFile, QString& message);

// The results window of a new plan from designTemplate, with the values a plan starts from;
// nullptr, with message, when it cannot be computed.
std::unique_ptr<ResultsWindow> newPlanWindow(const DesignTemplate& designTemplate,
                                             QString& message);

// Ends the program when window closes and no other results window is left open.
void endWithLastResultsWindow(ResultsWindow* window);

}  // namespace tavi::ui
