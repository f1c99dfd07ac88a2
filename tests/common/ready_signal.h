// How the helper programs tell the test that started them they are ready: by setting a named
// event the test created, by creating a file, or both.
#pragma once

#include <windows.h>

namespace runetest {

inline void SignalReady(const char* readyEvent, const char* readyFile) {
    if (readyEvent) {
        if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyEvent)) {
            SetEvent(ready);
            CloseHandle(ready);
        }
    }
    if (readyFile) {
        HANDLE file = CreateFileA(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
}

}  // namespace runetest
