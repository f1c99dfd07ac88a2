#include "common/desktop.h"

#include <algorithm>

namespace runetest {

namespace {

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto* windows = reinterpret_cast<std::vector<TopWindow>*>(param);
    TopWindow w{hwnd, 0, {}, {}, IsWindowVisible(hwnd) != FALSE};
    GetWindowThreadProcessId(hwnd, &w.pid);
    char text[256] = {};
    GetClassNameA(hwnd, text, sizeof text);
    w.className = text;
    // Not GetWindowText: it sends a message to another process's window and would wait on a hung one.
    char title[256] = {};
    WCHAR wide[256] = {};
    if (InternalGetWindowText(hwnd, wide, 256) > 0)
        WideCharToMultiByte(CP_ACP, 0, wide, -1, title, sizeof title, nullptr, nullptr);
    w.title = title;
    windows->push_back(w);
    return TRUE;
}

}  // namespace

std::vector<TopWindow> TopLevelWindows() {
    std::vector<TopWindow> windows;
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<TopWindow> NewWindows(const std::vector<TopWindow>& before,
                                  const std::vector<TopWindow>& after) {
    std::vector<TopWindow> added;
    for (const TopWindow& w : after) {
        bool known = std::any_of(before.begin(), before.end(),
                                 [&](const TopWindow& b) { return b.hwnd == w.hwnd; });
        if (!known) added.push_back(w);
    }
    return added;
}

bool WaitForEvent(HANDLE event, const Process& child, DWORD timeoutMs) {
    HANDLE handles[2] = {event, child.handle()};
    DWORD count = child.handle() ? 2 : 1;
    return WaitForMultipleObjects(count, handles, FALSE, timeoutMs) == WAIT_OBJECT_0;
}

HungWindow::HungWindow(DWORD hangMs, bool visible) {
    std::string name = UniqueName("rune-hung-ready");
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    std::string line = Quote(SiblingExe("rune_hung.exe")) + " --hang-ms " + std::to_string(hangMs) +
                       " --ready-event " + name + (visible ? " --visible" : "");
    process_ = Process(line);
    if (ready) {
        ready_ = process_.started() && WaitForEvent(ready, process_, 20000);
        CloseHandle(ready);
    }
}

}  // namespace runetest
