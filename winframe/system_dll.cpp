#include "winframe/system_dll.h"

#include <string>

namespace winframe {

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
