// Operations on the application as a whole that handlers call.
#pragma once

namespace tavi::ui {

// Handles every pending window message, so that changed texts are drawn, and returns.
void ProcessMessages();

}  // namespace tavi::ui
