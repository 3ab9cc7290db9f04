// Ends the program in order when the process is asked to terminate (SIGTERM), whatever window
// is open, so that a session ending or a test harness stopping the program loses nothing.
#pragma once

namespace tavi::ui {

// From now on SIGTERM ends the program through requestTermination: open dialogs answer Cancel,
// nothing more is written, and the status is 0. The signal handler only wakes the message
// loop, which does the rest on its own thread. Returns false when the handler could not be set.
bool endOnTerminate();

}  // namespace tavi::ui
