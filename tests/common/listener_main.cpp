// rune_listener.exe: records the hotkey service's broadcast messages for tests; see listener.h.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/ready_signal.h"
#include "keymap/service.h"

namespace {

UINT g_reload = 0;
UINT g_quit = 0;
const char* g_log = nullptr;
bool g_exitOnQuit = false;

void Log(const char* name, WPARAM wParam, LPARAM lParam) {
    char line[160];
    if (wParam == 0 && lParam == 0)
        std::snprintf(line, sizeof line, "%s\n", name);
    else
        std::snprintf(line, sizeof line, "%s wParam=%llu lParam=%lld\n", name,
                      static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    // Opened per line and closed at once, so a reader in another process sees every line.
    HANDLE file = CreateFileA(g_log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != 0 && msg == g_reload) {
        Log(keymap::kReloadMappingsMessage, wParam, lParam);
        return 0;
    }
    if (msg != 0 && msg == g_quit) {
        Log(keymap::kQuitHotruneMessage, wParam, lParam);
        if (g_exitOnQuit) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

const char* Arg(int& i, int argc, char** argv) { return i + 1 < argc ? argv[++i] : ""; }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const char* readyEvent = nullptr;
    const char* readyFile = nullptr;
    const char* stopEvent = nullptr;
    DWORD lifetime = 120000;
    for (int i = 1; i < __argc; ++i) {
        const char* a = __argv[i];
        if (!std::strcmp(a, "--log")) g_log = Arg(i, __argc, __argv);
        else if (!std::strcmp(a, "--ready-event")) readyEvent = Arg(i, __argc, __argv);
        else if (!std::strcmp(a, "--ready-file")) readyFile = Arg(i, __argc, __argv);
        else if (!std::strcmp(a, "--stop-event")) stopEvent = Arg(i, __argc, __argv);
        else if (!std::strcmp(a, "--timeout-ms")) lifetime = std::strtoul(Arg(i, __argc, __argv), nullptr, 10);
        else if (!std::strcmp(a, "--exit-on-quit")) g_exitOnQuit = true;
    }
    if (!g_log || !*g_log) return 2;

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "RuneListener";
    RegisterClassExA(&wc);
    // A real, hidden top-level window: broadcasts reach it; a message-only window would not.
    HWND hwnd = CreateWindowExA(0, "RuneListener", "Rune listener", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                100, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 2;
    g_reload = RegisterWindowMessageA(keymap::kReloadMappingsMessage);
    g_quit = RegisterWindowMessageA(keymap::kQuitHotruneMessage);

    HANDLE stop = stopEvent ? OpenEventA(SYNCHRONIZE, FALSE, stopEvent) : nullptr;
    runetest::SignalReady(readyEvent, readyFile);

    const ULONGLONG end = GetTickCount64() + lifetime;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return 0;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        ULONGLONG now = GetTickCount64();
        if (now >= end) return 3;
        DWORD wait = MsgWaitForMultipleObjects(stop ? 1 : 0, stop ? &stop : nullptr, FALSE,
                                               static_cast<DWORD>(end - now), QS_ALLINPUT);
        if (stop && wait == WAIT_OBJECT_0) return 0;
    }
}
