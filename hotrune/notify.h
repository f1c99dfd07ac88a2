// Messages to the user that never hold up the service: each box runs on a thread of its own,
// so the main thread keeps answering hotkeys and broadcasts while the user reads.
#pragma once

#include <string>

namespace hotrune {

// The caption of every box the service shows.
extern const char kMessageCaption[];

// Shows `text` in a modeless-to-us message box (exclamation icon, OK) and returns at once.
// A text that is already on the screen is not shown a second time. Safe from any thread.
void ShowMessage(const std::string& text);

// The system's description of a Win32 error code, without the trailing line break.
std::string SystemErrorText(unsigned long code);

}  // namespace hotrune
