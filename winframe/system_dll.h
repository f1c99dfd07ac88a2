// Functions of system DLLs that many runs never need, bound at their first call instead of at
// program start: loading the shell and the common dialogs costs a start-up tens of
// milliseconds, and a store without program shortcuts or a session without Browse uses
// neither.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <cderr.h>
#include <shellapi.h>

namespace winframe {

// The address of `name` in the system DLL `dll`, loaded from the system folder only (never
// from the program's or the current folder); null when either cannot be found. The DLL stays
// loaded for the life of the process, as an imported one would.
FARPROC SystemProc(const char* dll, const char* name);

// shell32's SHGetFileInfoA; 0 (nothing found) when shell32 cannot be loaded.
DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT infoSize,
                         UINT flags);
// comdlg32's GetOpenFileNameA and CommDlgExtendedError; when comdlg32 cannot be loaded the
// dialog fails with CDERR_INITIALIZATION.
BOOL GetOpenFileNameA(OPENFILENAMEA* ofn);
DWORD CommDlgExtendedError();

}  // namespace winframe
