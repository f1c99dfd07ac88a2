// rune_hotkey_holder.exe: another program holding a system hotkey; see hotkey_holder.h.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "common/ready_signal.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    UINT modifiers = 0;
    UINT vk = 0;
    bool tryOnly = false;
    const char* readyEvent = nullptr;
    const char* releaseEvent = nullptr;
    for (int i = 1; i < __argc; ++i) {
        const char* a = __argv[i];
        const char* next = i + 1 < __argc ? __argv[i + 1] : "";
        if (!std::strcmp(a, "--modifiers")) modifiers = std::strtoul(next, nullptr, 0), ++i;
        else if (!std::strcmp(a, "--vk")) vk = std::strtoul(next, nullptr, 0), ++i;
        else if (!std::strcmp(a, "--try")) tryOnly = true;
        else if (!std::strcmp(a, "--ready-event")) readyEvent = next, ++i;
        else if (!std::strcmp(a, "--release-event")) releaseEvent = next, ++i;
    }
    if (!RegisterHotKey(nullptr, 1, modifiers, vk)) return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED ? 9 : 2;
    if (!tryOnly) {
        HANDLE release = releaseEvent ? OpenEventA(SYNCHRONIZE, FALSE, releaseEvent) : nullptr;
        runetest::SignalReady(readyEvent, nullptr);
        if (release) {
            WaitForSingleObject(release, 120000);
            CloseHandle(release);
        }
    }
    UnregisterHotKey(nullptr, 1);
    return 0;
}
