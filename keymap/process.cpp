#include "keymap/process.h"

#include <windows.h>

namespace keymap {

void HardenProcess() {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (!kernel) return;
    // Looked up: Windows 7 has them only with its 2011 security update.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        ::GetProcAddress(kernel, "SetDefaultDllDirectories"));
    if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        // Older systems: at least take the current folder out of the DLL search.
        ::SetDllDirectoryA("");
    }
    auto setSearchMode =
        reinterpret_cast<SetSearchPathModeFn>(::GetProcAddress(kernel, "SetSearchPathMode"));
    if (setSearchMode)
        setSearchMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
}

}  // namespace keymap
