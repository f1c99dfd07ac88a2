// What a shortcut does: start a program, or carry out one of the catalogue's functions.
//
// Test seam: when the environment variable HOTRUNE_ACTION_LOG names a file, the functions that
// cannot be carried out on a test machine (eject.cd.tray, close.cd.tray, increase.volume,
// decrease.volume, standby, power.off, shutdown, reboot, log.off) append their token and a
// line break to that file instead of acting. Everything else behaves as always.
#pragma once

#include <windows.h>

#include <string>

#include "hotrune/launch.h"

namespace hotrune {

extern const char kActionLogVariable[];  // "HOTRUNE_ACTION_LOG"

// Carries out one record's target for the shortcut named `shortcutText`. A catalogue token
// does what its label says; anything else is taken as a program path. Failures are told to
// the user (ShowMessage); nothing here waits for a program or for the user.
// `window` is the service's window (system commands go through it).
void CarryOut(const std::string& target, const std::string& shortcutText, HWND window,
              Launcher& launcher);

}  // namespace hotrune
