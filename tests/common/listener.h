// A stand-in for the resident hotkey service: a separate process with a hidden top-level window
// that records every "WM_RELOADMAPPINGS" and "WM_QUIT_HOTRUNE" broadcast it receives.
//
// The program, rune_listener.exe (built into bin/ beside the tests), usable from any test or script:
//   rune_listener.exe --log PATH [--ready-event NAME] [--ready-file PATH] [--stop-event NAME]
//                     [--timeout-ms N] [--exit-on-quit]
//   --log PATH         each received message appends one line to PATH: its name,
//                      "WM_RELOADMAPPINGS" or "WM_QUIT_HOTRUNE"; if wParam or lParam is not 0 the
//                      line continues " wParam=<n> lParam=<n>". Lines are written at once.
//   --ready-event NAME sets that (existing) named event once the window exists and both messages
//                      are registered; --ready-file PATH creates that file at the same moment.
//   --stop-event NAME  ends (status 0) when that named event is set.
//   --timeout-ms N     ends on its own after N ms (default 120000), with status 3.
//   --exit-on-quit     ends (status 0) after logging "WM_QUIT_HOTRUNE", as the service does.
// The window: class "RuneListener", title "Rune listener", never shown.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/process.h"

namespace runetest {

// Starts rune_listener.exe and waits until it is ready; the destructor stops it and deletes
// its log. Neither copyable nor movable.
class Listener {
public:
    explicit Listener(bool exitOnQuit = false, DWORD lifetimeMs = 120000);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Started and ready within 20 s.
    bool ready() const { return ready_; }
    DWORD pid() const { return process_.pid(); }
    Process& process() { return process_; }
    const std::string& logPath() const { return log_; }

    // The lines logged so far, Sync's markers left out.
    std::vector<std::string> Messages() const;
    int Count(const std::string& line) const;
    // Polls the log until `line` occurs `n` times or `timeoutMs` passes; true when it did.
    bool WaitForCount(const std::string& line, int n, DWORD timeoutMs) const;
    // A barrier instead of a pause: once it returns true, every message sent or posted to the
    // listener before the call has been logged, so "nothing arrived" can be checked at once.
    // It posts a marker to the listener's window and waits until the marker is logged: the
    // window handles posted messages in order, and sent ones (broadcasts) before any of them.
    bool Sync(DWORD timeoutMs = 10000);
    // Asks the listener to end and waits for it; true when it ended with status 0.
    bool Stop(DWORD timeoutMs = 10000);

private:
    Process process_;
    std::string log_;
    HANDLE stop_ = nullptr;
    int syncs_ = 0;
    bool ready_ = false;
};

}  // namespace runetest
