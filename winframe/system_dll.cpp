#include "winframe/system_dll.h"

#include <string>

namespace winframe {

FARPROC SystemProc(const char* dll, const char* name) {
    char folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, length) + "\\" + dll;
    HMODULE module = ::GetModuleHandleA(path.c_str());
    if (!module) module = ::LoadLibraryA(path.c_str());
    return module ? ::GetProcAddress(module, name) : nullptr;
}

namespace {

// A function pointer of type Fn for a system DLL's export, looked up once.
template <typename Fn>
Fn Bound(const char* dll, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemProc(dll, name)));
}

}  // namespace

DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA* info, UINT infoSize,
                         UINT flags) {
    static const auto call = Bound<decltype(&::SHGetFileInfoA)>("shell32.dll", "SHGetFileInfoA");
    return call ? call(path, attributes, info, infoSize, flags) : 0;
}

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) {
    static const auto call = Bound<decltype(&::GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
    return call ? call(ofn) : FALSE;
}

DWORD CommDlgExtendedError() {
    static const auto call =
        Bound<decltype(&::CommDlgExtendedError)>("comdlg32.dll", "CommDlgExtendedError");
    return call ? call() : static_cast<DWORD>(CDERR_INITIALIZATION);
}

}  // namespace winframe
