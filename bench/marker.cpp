// bench_marker.exe: the program the service's key press case starts. The first thing it does is
// read the performance counter, which every process of the machine shares, and leave the
// reading in the driver's shared table named by RUNE_BENCH_MARKS, so the driver learns when the
// program was running, measured from inside it. Then it wakes the driver and ends.
#include <windows.h>

#include "bench/marks.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char name[128];
    const DWORD n = GetEnvironmentVariableA(bench::kMarksVariable, name, sizeof name - 8);
    if (n == 0 || n >= sizeof name - 8) return 2;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (!mapping) return 3;
    auto* marks = static_cast<bench::Marks*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(bench::Marks)));
    if (!marks) return 4;
    const LONG slot = InterlockedIncrement(&marks->count) - 1;
    if (slot >= 0 && slot < bench::Marks::kSlots) marks->started[slot] = now.QuadPart;
    UnmapViewOfFile(marks);
    CloseHandle(mapping);
    lstrcatA(name, bench::kMarksEventSuffix);
    if (HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name)) {
        SetEvent(event);
        CloseHandle(event);
    }
    return 0;
}
