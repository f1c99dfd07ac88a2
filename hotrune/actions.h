// What a shortcut does: start a program, or carry out one of the catalogue's functions.
//
// Test seam, in test builds only (HOTRUNE_ACTION_LOG_SEAM): when the environment variable
// HOTRUNE_ACTION_LOG names a file, the functions that cannot be carried out on a test machine
// (eject.cd.tray, close.cd.tray, increase.volume, decrease.volume, standby, power.off,
// shutdown, reboot, log.off) append their token and a line break to that file instead of
// acting. A shipped build ignores the variable.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "hotrune/launch.h"

namespace hotrune {

// "HOTRUNE_ACTION_LOG", in the build the tests run: functions are written to the file it names
// instead of performed, and a start the busy launcher refused as "refused <target>".
extern const char kActionLogVariable[];

struct ActionContext {
    HWND window;          // the service's window (system commands go through it)
    Launcher& launcher;   // program starts run on its thread
    // Runs `action` on the service's thread once every key of the pressed shortcut is up:
    // for what a key still held would undo (the screen saver, the display going off).
    std::function<void(std::function<void()>)> afterRelease;
};

// Carries out one record's target for the shortcut named `shortcutText`. A catalogue token
// does what its label says; anything else is taken as a program path. Failures are told to
// the user (ShowMessage); nothing here waits for a program or for the user.
void CarryOut(const std::string& target, const std::string& shortcutText,
              const ActionContext& context);

// Where the system's own programs are. In a 32-bit process on 64-bit Windows (wow64) the
// system folder is redirected to the 32-bit copies; the native ones are reached through the
// "Sysnative" alias of the Windows folder.
struct SystemFolders {
    std::string system;   // GetSystemDirectory
    std::string windows;  // GetWindowsDirectory
    bool wow64 = false;
};
SystemFolders CurrentSystemFolders();

// `path` with a leading system folder replaced by the native one under wow64; unchanged
// otherwise, and for every path outside the system folder.
std::string NativeSystemPath(const std::string& path, const SystemFolders& folders);

// The program file of a catalogue application ("notepad", "mspaint", ...): the native system
// copy first, then where the Run dialog finds it (App Paths, the user's app-execution
// aliases). Empty when it is not on this computer or `token` is no application.
std::string FindApplication(const std::string& token, const SystemFolders& folders);

}  // namespace hotrune
