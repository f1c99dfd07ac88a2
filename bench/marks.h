// The table bench_marker.exe writes its start time into, shared with the driver by name.
#pragma once

#include <windows.h>

namespace bench {

// The environment variable that names the table (a file mapping); "<name>-set" is the event the
// marker sets once it has written its slot.
constexpr char kMarksVariable[] = "RUNE_BENCH_MARKS";
constexpr char kMarksEventSuffix[] = "-set";

struct Marks {
    static constexpr LONG kSlots = 16;
    volatile LONG count;                // slots taken so far
    LONGLONG started[kSlots];           // QueryPerformanceCounter at each marker's start
};

}  // namespace bench
