// Closes a window, as its close box would, when the process is asked to terminate (SIGTERM),
// so that a session ending or a test harness stopping the program ends it in order.
#pragma once

class QWidget;

namespace tavi::ui {

// From now on SIGTERM closes window; the handler only wakes the message loop, which then closes
// the window on its own thread.
void closeOnTerminate(QWidget* window);

}  // namespace tavi::ui
