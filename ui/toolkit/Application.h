// Operations on the application as a whole that handlers call.
#pragma once

namespace tavi::ui {

// Handles every pending window message, so that changed texts are drawn, and returns.
void ProcessMessages();

// Ends the program in order: every message loop ends, modal windows shown from now on answer
// Cancel at once, and the program's status is 0.
void requestTermination();

// Whether requestTermination has been called: the dialogue then stops and writes nothing.
bool terminationRequested();

}  // namespace tavi::ui
