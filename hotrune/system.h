// The few system calls whose outcome a test machine cannot produce: elevation, WOW64, the
// power states of the machine, the audio endpoint, the key state. The service always goes
// through System(); the shipped programs never change it, tests replace single entries to
// drive the branches Wine cannot show.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>

#include "keymap/process.h"

namespace hotrune {

enum class StandbyKind {
    Sleep,        // S1-S3 sleep: SetSuspendState
    DisplayOff,   // modern standby: the machine sleeps when its display goes off
    Unavailable,  // neither
};

struct SystemCalls {
    BOOL(WINAPI* createProcess)(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION);
    BOOL(WINAPI* shellExecuteEx)(SHELLEXECUTEINFOA*);
    // True for a 32-bit process on 64-bit Windows, where System32 is redirected.
    bool (*isWow64)();
    StandbyKind (*standbyKind)();
    // Steps the default playback device's master volume by a tenth; false when it cannot.
    bool (*stepEndpointVolume)(bool up);
    // True when the process runs with the full token of a user who also has a limited one,
    // which the user's shell (and so the user's programs) runs with.
    bool (*elevatedSplitToken)();
    // Whether the key is down now (bit 15 of GetAsyncKeyState).
    bool (*keyDown)(int vk);
};

using keymap::SystemProc;

// shell32's, ole32's and winmm's calls, bound at their first use: most sessions start no
// document, change no volume and move no CD tray, and loading those DLLs (and COM) at start
// would cost the resident service memory all day. Each fails as its system call does when
// its DLL cannot be loaded.
BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* info);
HRESULT CoInitializeEx(void* reserved, DWORD flags);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID cls, IUnknown* outer, DWORD context, REFIID iid, void** out);
MCIERROR mciSendStringA(LPCSTR command, LPSTR returned, UINT size, HWND callback);
BOOL mciGetErrorStringA(MCIERROR error, LPSTR text, UINT size);

// The calls in use; the real ones unless a test replaced some.
SystemCalls& System();
// The real calls, for a test to put back.
const SystemCalls& RealSystem();

}  // namespace hotrune
