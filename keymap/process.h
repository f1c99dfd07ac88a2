// Start-up hygiene shared by the three programs: called first thing in each, before anything
// could load a DLL or resolve a program by a bare name.
#pragma once

#include <windows.h>

namespace keymap {

// System DLLs come from the system folder only, never from the folder the program was started
// from or the current folder, where anyone could leave a DLL of the same name; searches for
// files by bare name look at the current folder last. Best effort: a system without the
// calls keeps its own search order.
void HardenProcess();

// The address of `name` in the system DLL `dll`, loaded by its full path in the system folder
// (never from the program's or the current folder) on first use; null when either cannot be
// found. The DLL stays loaded for the life of the process, as an imported one would. For DLLs
// that most runs never need.
FARPROC SystemProc(const char* dll, const char* name);

}  // namespace keymap
