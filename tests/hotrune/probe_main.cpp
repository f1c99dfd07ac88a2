// rune_probe.exe: what the Hotrune end-to-end test needs to do on the Windows side of the
// desktop, one command per run. Prints its findings to standard output.
//
//   rune_probe broadcast NAME                 broadcast the registered message NAME (wParam 0,
//                                             lParam 0); returns once it was delivered
//   rune_probe hotkey MODS VK                 try RegisterHotKey(MODS, VK) and free it again;
//                                             prints "free" (exit 0) or "taken <error>" (exit 2)
//   rune_probe hold MODS VK MS                hold that hotkey for MS ms (exit 0; 2 if taken)
//                                             and print "held" once it is held
//   rune_probe msgbox CAPTION MS              wait up to MS ms for a dialog box captioned
//                                             CAPTION, print its text, press its OK button
//                                             (exit 0); exit 1 when none came
//   rune_probe window TITLE MS [close]        wait up to MS ms for a visible top-level window
//                                             whose title contains TITLE; print "<pid> <title>"
//                                             and "foreground" when it is the foreground window;
//                                             with "close", close it (and end its process)
//   rune_probe process NAME MS [kill]         wait up to MS ms for a running process whose file
//                                             name is NAME; print how many there are (exit 0) or
//                                             exit 1; with "kill", end them all
// MODS and VK are decimal or 0x-hex numbers.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

UINT Number(const char* text) { return static_cast<UINT>(std::strtoul(text, nullptr, 0)); }

struct Found {
    HWND hwnd;
    std::string title;
};

struct WindowSearch {
    const char* className;
    const char* titlePart;
    bool exact;
    std::vector<Found> found;
};

// A real CALLBACK function: on i686 a lambda does not convert to the stdcall callback type.
BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<WindowSearch*>(param);
    if (!IsWindowVisible(hwnd)) return TRUE;
    char title[512] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    char cls[256] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (s->className && std::strcmp(cls, s->className) != 0) return TRUE;
    const bool match = s->exact ? std::strcmp(title, s->titlePart) == 0
                                : std::strstr(title, s->titlePart) != nullptr;
    if (match) s->found.push_back(Found{hwnd, title});
    return TRUE;
}

std::vector<Found> Windows(const char* className, const char* titlePart, bool exact) {
    WindowSearch search{className, titlePart, exact, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK AppendText(HWND child, LPARAM param) {
    char cls[64] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0) {
        char text[4096] = "";
        GetWindowTextA(child, text, sizeof text);
        if (text[0]) *reinterpret_cast<std::string*>(param) += text;
    }
    return TRUE;
}

int MsgBox(const char* caption, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        std::vector<Found> boxes = Windows("#32770", caption, true);
        if (!boxes.empty()) {
            std::string text;
            EnumChildWindows(boxes[0].hwnd, AppendText, reinterpret_cast<LPARAM>(&text));
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
            PostMessageA(boxes[0].hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(boxes[0].hwnd, IDOK)));
            // Wait until it is gone, so that the next look does not find it again.
            for (int i = 0; i < 100 && IsWindow(boxes[0].hwnd); ++i) Sleep(20);
            return 0;
        }
        Sleep(50);
    } while (GetTickCount64() < end);
    return 1;
}

int WaitWindow(const char* titlePart, DWORD timeoutMs, bool close) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        std::vector<Found> found = Windows(nullptr, titlePart, false);
        if (!found.empty()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(found[0].hwnd, &pid);
            std::printf("%lu %s\n", static_cast<unsigned long>(pid), found[0].title.c_str());
            // Give the window a moment to be activated before judging the foreground.
            Sleep(300);
            HWND fg = GetForegroundWindow();
            DWORD fgPid = 0;
            if (fg) GetWindowThreadProcessId(fg, &fgPid);
            if (fgPid == pid) std::printf("foreground\n");
            std::fflush(stdout);
            if (close) {
                HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
                for (const Found& f : found) {
                    DWORD p = 0;
                    GetWindowThreadProcessId(f.hwnd, &p);
                    if (p == pid) PostMessageA(f.hwnd, WM_CLOSE, 0, 0);
                }
                if (process) {
                    if (WaitForSingleObject(process, 3000) != WAIT_OBJECT_0)
                        TerminateProcess(process, 0);
                    CloseHandle(process);
                }
            }
            return 0;
        }
        Sleep(50);
    } while (GetTickCount64() < end);
    return 1;
}

std::vector<DWORD> ProcessesNamed(const char* name) {
    std::vector<DWORD> pids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return pids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, name) == 0) pids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return pids;
}

int WaitProcess(const char* name, DWORD timeoutMs, bool kill) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        std::vector<DWORD> pids = ProcessesNamed(name);
        if (!pids.empty()) {
            std::printf("%u\n", static_cast<unsigned>(pids.size()));
            std::fflush(stdout);
            for (DWORD pid : pids) {
                if (!kill) break;
                HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
                if (!process) continue;
                TerminateProcess(process, 0);
                WaitForSingleObject(process, 3000);
                CloseHandle(process);
            }
            return 0;
        }
        Sleep(50);
    } while (GetTickCount64() < end);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 64;
    const std::string command = argv[1];
    if (command == "broadcast" && argc == 3) {
        const UINT message = RegisterWindowMessageA(argv[2]);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
        return 0;
    }
    if ((command == "hotkey" && argc == 4) || (command == "hold" && argc == 5)) {
        if (!RegisterHotKey(nullptr, 1, Number(argv[2]), Number(argv[3]))) {
            std::printf("taken %lu\n", GetLastError());
            return 2;
        }
        if (command == "hold") {
            std::printf("held\n");
            std::fflush(stdout);
            Sleep(Number(argv[4]));
        } else {
            std::printf("free\n");
        }
        UnregisterHotKey(nullptr, 1);
        return 0;
    }
    if (command == "msgbox" && argc == 4) return MsgBox(argv[2], Number(argv[3]));
    if (command == "window" && (argc == 4 || argc == 5))
        return WaitWindow(argv[2], Number(argv[3]), argc == 5 && std::strcmp(argv[4], "close") == 0);
    if (command == "process" && (argc == 4 || argc == 5))
        return WaitProcess(argv[2], Number(argv[3]), argc == 5 && std::strcmp(argv[4], "kill") == 0);
    return 64;
}
