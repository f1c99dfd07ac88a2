// The resident service: a hidden top-level window that holds one system hotkey per distinct
// shortcut of the store, carries out a shortcut's records when it is pressed, rereads the
// store on "WM_RELOADMAPPINGS" and ends on "WM_QUIT_HOTRUNE".
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "hotrune/bindings.h"
#include "hotrune/launch.h"

namespace hotrune {

// How long an action that waits for the shortcut's keys to be let go waits at most: a key-up
// the service never sees (a secure desktop took it, a remote session dropped it) must not
// leave the action pending and the key poll running for ever.
constexpr DWORD kReleaseWaitMs = 3000;

extern const char kWindowClass[];  // "HotruneService"
extern const char kWindowTitle[];  // "Hotrune"

// True where a held hotkey arrives again at every auto-repeat although it was registered with
// MOD_NOREPEAT: systems older than Windows 7, and Wine.
bool RepeatsArriveDespiteNoRepeat();

class Service {
public:
    // `filterRepeats`: drop the WM_HOTKEY of a key still held since it fired; only where the
    // system does not do so itself (RepeatsArriveDespiteNoRepeat).
    Service(HINSTANCE instance, bool filterRepeats);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Registers both messages, creates the window and registers the store's shortcuts.
    // False (with the user told why) when the window cannot be made.
    bool Start();
    // Pumps messages until the service is told to quit; returns the exit status, 0.
    int Run();
    HWND window() const { return window_; }

private:
    // One distinct key combination of the store, held as hotkey id (index + 1).
    struct Bound {
        Binding binding;
        bool registered = false;  // the hotkey is held now
        // Fired, and its key not let go since: a WM_HOTKEY now is an auto-repeat (only
        // looked at when repeats are filtered).
        bool held = false;
    };
    // Something to do once every key of a shortcut is up.
    struct AfterRelease {
        Hotkey hotkey;
        std::function<void()> action;
        ULONGLONG deadline;  // carried out then even if the keys still read as down
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Reads the store and registers its shortcuts afresh; tells the user about every
    // shortcut that could not be registered. A store that cannot be read leaves the hotkeys
    // as they were.
    void Reload();
    void UnregisterAll();
    void OnHotKey(WPARAM id, LPARAM keys);
    // Clears `held` for shortcuts whose key is up and runs the waiting after-release actions
    // whose keys are all up; true while something still waits for a key.
    bool PollKeys();
    bool KeysDown(const Hotkey& hotkey) const;

    HINSTANCE instance_;
    bool filterRepeats_;
    HWND window_ = nullptr;
    UINT reloadMessage_ = 0;
    UINT quitMessage_ = 0;
    std::vector<Bound> bound_;
    std::vector<AfterRelease> afterRelease_;
    Launcher launcher_;
};

}  // namespace hotrune
