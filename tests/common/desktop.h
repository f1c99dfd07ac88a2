// The desktop as other processes see it: the top-level windows that exist, and a helper process
// whose window stops answering messages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/process.h"

namespace runetest {

struct TopWindow {
    HWND hwnd;
    DWORD pid;
    std::string className;
    std::string title;
    bool visible;
};

// Every top-level window of the desktop (EnumWindows), hidden ones included.
std::vector<TopWindow> TopLevelWindows();
// The windows of `after` whose handle is not in `before`.
std::vector<TopWindow> NewWindows(const std::vector<TopWindow>& before,
                                  const std::vector<TopWindow>& after);

// Starts rune_hung.exe from the test's bin/ folder: it creates a top-level window (title
// "Rune hung window", class "RuneHung"; shown when `visible`), signals that it is ready, and then
// its only thread sleeps `hangMs` without pumping messages, so every message sent to the window
// waits. The destructor kills the process.
//   rune_hung.exe [--visible] [--hang-ms N] [--ready-event NAME] [--ready-file PATH]
class HungWindow {
public:
    explicit HungWindow(DWORD hangMs = 60000, bool visible = false);
    // True when the window exists and the thread has stopped pumping (waits up to 20 s).
    bool ready() const { return ready_; }
    DWORD pid() const { return process_.pid(); }
    Process& process() { return process_; }

private:
    Process process_;
    bool ready_ = false;
};

// Waits for the named event (created here before the child starts) up to `timeoutMs`, while
// the child is alive. Used by the helpers' clients.
bool WaitForEvent(HANDLE event, const Process& child, DWORD timeoutMs);

}  // namespace runetest
