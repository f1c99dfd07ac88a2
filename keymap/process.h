// Start-up hygiene shared by the three programs: called first thing in each, before anything
// could load a DLL or resolve a program by a bare name.
#pragma once

namespace keymap {

// System DLLs come from the system folder only, never from the folder the program was started
// from or the current folder, where anyone could leave a DLL of the same name; searches for
// files by bare name look at the current folder last. Best effort: a system without the
// calls keeps its own search order.
void HardenProcess();

}  // namespace keymap
