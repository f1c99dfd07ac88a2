// Functions of system DLLs that many runs never need, bound at their first call instead of at
// program start: loading the shell and the common dialogs costs a start-up tens of
// milliseconds, and a store without program shortcuts or a session without Browse uses
// neither.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <cderr.h>
#include <shellapi.h>

#include "keymap/process.h"

namespace winframe {

using keymap::SystemProc;

// shell32's SHGetFileInfoA; 0 (nothing found) when shell32 cannot be loaded.
DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT infoSize,
                         UINT flags);
// comdlg32's GetOpenFileNameA and CommDlgExtendedError; when comdlg32 cannot be loaded the
// dialog fails with CDERR_INITIALIZATION.
BOOL GetOpenFileNameA(OPENFILENAMEA* ofn);
DWORD CommDlgExtendedError();

}  // namespace winframe
