// rune_hung.exe: a top-level window whose thread stops pumping messages; see desktop.h.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "common/ready_signal.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    bool visible = false;
    DWORD hangMs = 60000;
    const char* readyEvent = nullptr;
    const char* readyFile = nullptr;
    for (int i = 1; i < __argc; ++i) {
        const char* a = __argv[i];
        const char* next = i + 1 < __argc ? __argv[i + 1] : "";
        if (!std::strcmp(a, "--visible")) visible = true;
        else if (!std::strcmp(a, "--hang-ms")) hangMs = std::strtoul(next, nullptr, 10), ++i;
        else if (!std::strcmp(a, "--ready-event")) readyEvent = next, ++i;
        else if (!std::strcmp(a, "--ready-file")) readyFile = next, ++i;
    }

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "RuneHung";
    RegisterClassExA(&wc);
    HWND hwnd = CreateWindowExA(0, "RuneHung", "Rune hung window", WS_OVERLAPPEDWINDOW, 40, 40, 240,
                                120, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 2;
    if (visible) ShowWindow(hwnd, SW_SHOWNORMAL);
    // Handle what creation queued, then stop pumping for good.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    runetest::SignalReady(readyEvent, readyFile);
    Sleep(hangMs);
    return 0;
}
