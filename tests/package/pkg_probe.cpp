// rune_pkgprobe.exe: what the package test needs to ask Windows about an installed product,
// one command per run, findings on standard output.
//
//   rune_pkgprobe paths NAME             one line "<pid> <full path>" per running process whose
//                                        file name is NAME (any case); exit 0 even when none
//   rune_pkgprobe window TEXT MS         wait up to MS ms for a visible top-level window whose
//                                        title contains TEXT; print its process id (exit 0) or exit 1
//   rune_pkgprobe windows PID MS         wait up to MS ms for the process PID to show two or more
//                                        visible top-level windows; print how many (exit 1 if fewer)
//   rune_pkgprobe click TEXT ID          post a button click (WM_COMMAND ID, BN_CLICKED) to the first
//                                        visible top-level window whose title contains TEXT
//   rune_pkgprobe version FILE           the file's VERSIONINFO: "fixed a.b.c.d", "FileVersion ...",
//                                        "ProductVersion ..." (exit 1 when it has none)
//   rune_pkgprobe lnk FILE               the target path of the shell link FILE (exit 1 when unreadable)
//   rune_pkgprobe hotkey MODS VK         "free" when RegisterHotKey(MODS, VK) succeeds (it is freed
//                                        again at once), "taken" when another program holds it
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Paths(const char* name) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 2;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snap, &entry); more; more = Process32Next(snap, &entry)) {
        if (lstrcmpiA(entry.szExeFile, name) != 0) continue;
        char path[MAX_PATH * 2] = "?";
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (process) {
            DWORD size = sizeof path;
            if (!QueryFullProcessImageNameA(process, 0, path, &size)) lstrcpyA(path, "?");
            CloseHandle(process);
        }
        std::printf("%lu %s\n", static_cast<unsigned long>(entry.th32ProcessID), path);
    }
    CloseHandle(snap);
    return 0;
}

struct Search {
    const char* text;
    DWORD pid;
    HWND hwnd;
};

BOOL CALLBACK FindWindowByText(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    char title[512] = "";
    if (!IsWindowVisible(hwnd) || !GetWindowTextA(hwnd, title, sizeof title)) return TRUE;
    if (std::string(title).find(search->text) == std::string::npos) return TRUE;
    GetWindowThreadProcessId(hwnd, &search->pid);
    search->hwnd = hwnd;
    return FALSE;
}

int Window(const char* text, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        Search search{text, 0, nullptr};
        EnumWindows(FindWindowByText, reinterpret_cast<LPARAM>(&search));
        if (search.pid) {
            std::printf("%lu\n", static_cast<unsigned long>(search.pid));
            return 0;
        }
        if (GetTickCount() - start > ms) return 1;
        Sleep(100);
    }
}

struct Count {
    DWORD pid;
    int visible;
};

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM param) {
    auto* count = reinterpret_cast<Count*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == count->pid && IsWindowVisible(hwnd)) ++count->visible;
    return TRUE;
}

int Windows(DWORD pid, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        Count count{pid, 0};
        EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
        if (count.visible >= 2 || GetTickCount() - start > ms) {
            std::printf("%d\n", count.visible);
            return count.visible >= 2 ? 0 : 1;
        }
        Sleep(100);
    }
}

int Click(const char* text, unsigned id) {
    Search search{text, 0, nullptr};
    EnumWindows(FindWindowByText, reinterpret_cast<LPARAM>(&search));
    if (!search.hwnd) return 1;
    return PostMessageA(search.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0) ? 0 : 1;
}

int Version(const char* file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (!size) return 1;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(file, 0, size, data.data())) return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
        std::printf("fixed %u.%u.%u.%u\n", unsigned{HIWORD(fixed->dwFileVersionMS)}, unsigned{LOWORD(fixed->dwFileVersionMS)},
                    unsigned{HIWORD(fixed->dwFileVersionLS)}, unsigned{LOWORD(fixed->dwFileVersionLS)});
    }
    for (const char* key : {"FileVersion", "ProductVersion"}) {
        char* text = nullptr;
        const std::string path = std::string("\\StringFileInfo\\040904b0\\") + key;
        if (VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) && text)
            std::printf("%s %s\n", key, text);
    }
    return 0;
}

int Link(const char* file) {
    if (FAILED(CoInitialize(nullptr))) return 2;
    int status = 1;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* persist = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            wchar_t wide[MAX_PATH * 2] = L"";
            MultiByteToWideChar(CP_ACP, 0, file, -1, wide, MAX_PATH * 2);
            char target[MAX_PATH * 2] = "";
            if (SUCCEEDED(persist->Load(wide, STGM_READ)) &&
                SUCCEEDED(link->GetPath(target, sizeof target, nullptr, 0)) && target[0]) {
                std::printf("%s\n", target);
                status = 0;
            }
            persist->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "paths" && argc == 3) return Paths(argv[2]);
    if (command == "window" && argc == 4) return Window(argv[2], std::strtoul(argv[3], nullptr, 0));
    if (command == "windows" && argc == 4)
        return Windows(std::strtoul(argv[2], nullptr, 0), std::strtoul(argv[3], nullptr, 0));
    if (command == "click" && argc == 4) return Click(argv[2], std::strtoul(argv[3], nullptr, 0));
    if (command == "version" && argc == 3) return Version(argv[2]);
    if (command == "lnk" && argc == 3) return Link(argv[2]);
    if (command == "hotkey" && argc == 4) {
        const bool free = RegisterHotKey(nullptr, 1, std::strtoul(argv[2], nullptr, 0), std::strtoul(argv[3], nullptr, 0));
        if (free) UnregisterHotKey(nullptr, 1);
        std::printf(free ? "free\n" : "taken\n");
        return 0;
    }
    std::fprintf(stderr, "usage: rune_pkgprobe paths NAME | window TEXT MS | windows PID MS | click TEXT ID | version FILE | lnk FILE | hotkey MODS VK\n");
    return 2;
}
