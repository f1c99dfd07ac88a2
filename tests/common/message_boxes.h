// Message boxes that this test's own process shows (the service in process shows its boxes on
// threads of their own), found by caption, read and dismissed as a user would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace runetest {

// Calls `done` until it answers true or `timeoutMs` has passed; its last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// The visible message boxes of this process captioned `caption`.
std::vector<HWND> OwnBoxes(const char* caption);
// The text of a box: its static controls, in order.
std::string BoxText(HWND box);
// Presses OK and waits until the box is gone.
void CloseBox(HWND box);
// Waits for a box captioned `caption`, returns its text and closes it; empty when none came.
std::string TakeBox(const char* caption, DWORD timeoutMs = 5000);
void CloseAllBoxes(const char* caption);

}  // namespace runetest
