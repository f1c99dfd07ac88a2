#include "keymap/process.h"

#include <windows.h>

#include <string>

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

FARPROC SystemProc(const char* dll, const char* name) {
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, length) + "\\" + dll;
    HMODULE module = ::GetModuleHandleA(path.c_str());
    if (!module) module = ::LoadLibraryA(path.c_str());
    return module ? ::GetProcAddress(module, name) : nullptr;
}

}  // namespace keymap
