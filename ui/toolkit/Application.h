// Operations on the application as a whole that handlers call.
#pragma once

#include <functional>

class QWidget;

namespace tavi::ui {

// Handles every pending window message, so that changed texts are drawn, and returns.
void ProcessMessages();

// Ends the program in order: every message loop ends, modal windows shown from now on answer
// Cancel at once, and the program's status is 0.
void requestTermination();

// Whether requestTermination has been called: the dialogue then stops and writes nothing.
bool terminationRequested();

// Runs showing (a modal window's showing), then gives the activation back to owner's window, or
// without owner to the window that was active before, whose focused control has the keyboard
// again. A window manager does this; where none runs, X leaves the keyboard to no window until
// the user clicks.
void returningFocus(QWidget* owner, const std::function<void()>& showing);

}  // namespace tavi::ui
