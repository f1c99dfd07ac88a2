// The resident service: a hidden top-level window that holds one system hotkey per distinct
// shortcut of the store, carries out a shortcut's records when it is pressed, rereads the
// store on "WM_RELOADMAPPINGS" and ends on "WM_QUIT_HOTRUNE".
#pragma once

#include <windows.h>

#include <vector>

#include "hotrune/bindings.h"
#include "hotrune/launch.h"

namespace hotrune {

extern const char kWindowClass[];  // "HotruneService"
extern const char kWindowTitle[];  // "Hotrune"

class Service {
public:
    explicit Service(HINSTANCE instance) : instance_(instance) {}
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Registers both messages, creates the window and registers the store's shortcuts.
    // False (with the user told why) when the window cannot be made.
    bool Start();
    // Pumps messages until the service is told to quit; returns the exit status, 0.
    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Reads the store and registers its shortcuts afresh; tells the user about every
    // shortcut that could not be registered. A store that cannot be read leaves the hotkeys
    // as they were.
    void Reload();
    void UnregisterAll();
    void OnHotKey(WPARAM id);
    // Ends the hold of every shortcut whose key has been let go; true while some is held.
    bool ReleaseLetGoKeys();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    UINT reloadMessage_ = 0;
    UINT quitMessage_ = 0;
    std::vector<Binding> bindings_;    // binding i holds hotkey id i + 1
    std::vector<bool> registered_;     // per binding: the hotkey is held now
    // Per binding: fired, and its key not yet let go. Not every system honours MOD_NOREPEAT,
    // so the key's auto-repeat is filtered here as well: a held key fires once.
    std::vector<bool> held_;
    Launcher launcher_;
};

}  // namespace hotrune
