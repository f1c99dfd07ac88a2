#include "keymap/process.h"

#include <windows.h>

#include <cstring>

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

// Plain buffers, no std::string: Runestop links this file and stays a small program.
FARPROC SystemProc(const char* dll, const char* name) {
    char path[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    const size_t dllLength = std::strlen(dll);
    if (length == 0 || length + 1 + dllLength >= MAX_PATH) return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, dll, dllLength + 1);
    HMODULE module = ::GetModuleHandleA(path);
    if (!module) module = ::LoadLibraryA(path);
    return module ? ::GetProcAddress(module, name) : nullptr;
}

}  // namespace keymap
