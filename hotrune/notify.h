// Messages to the user that never hold up the service: each box runs on a thread of its own,
// so the main thread keeps answering hotkeys and broadcasts while the user reads.
#pragma once

#include <string>

namespace hotrune {

// The caption of every box the service shows.
extern const char kMessageCaption[];

// At most this many boxes are on the screen at once; more are dropped, so a hammered key
// cannot fill the screen and the process with boxes and their threads.
constexpr size_t kMaxOpenMessages = 8;

// Shows `text` in a modeless-to-us message box (exclamation icon, OK) and returns at once.
// A text that is already on the screen is not shown a second time. Safe from any thread.
void ShowMessage(const std::string& text);

// `text` cut to at most `limit` characters ("..." marks the cut), with line breaks and other
// control characters shown as spaces: how stored text that may be damaged is quoted.
std::string Abbreviated(const std::string& text, size_t limit = 60);

// The system's description of a Win32 error code, without the trailing line break.
std::string SystemErrorText(unsigned long code);

}  // namespace hotrune
