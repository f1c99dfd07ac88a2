#include "common/listener.h"

#include <algorithm>

#include "keymap/service.h"

#include "common/desktop.h"

namespace runetest {

namespace {

// Sync's marker: a reload message with this wParam ("RUNE") and the barrier's number.
constexpr WPARAM kMarkerWParam = 0x52554E45;
const std::string kMarkerPrefix =
    std::string(keymap::kReloadMappingsMessage) + " wParam=" + std::to_string(kMarkerWParam) + " ";

bool IsMarker(const std::string& line) { return line.compare(0, kMarkerPrefix.size(), kMarkerPrefix) == 0; }

std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ReadFileText(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

Listener::Listener(bool exitOnQuit, DWORD lifetimeMs) : log_(TempPath("rune-listener-log")) {
    std::string readyName = UniqueName("rune-listener-ready");
    std::string stopName = UniqueName("rune-listener-stop");
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    stop_ = CreateEventA(nullptr, TRUE, FALSE, stopName.c_str());
    if (!ready || !stop_) {
        if (ready) CloseHandle(ready);
        return;
    }
    std::string line = Quote(SiblingExe("rune_listener.exe")) + " --log " + Quote(log_) +
                       " --ready-event " + readyName + " --stop-event " + stopName +
                       " --timeout-ms " + std::to_string(lifetimeMs) +
                       (exitOnQuit ? " --exit-on-quit" : "");
    process_ = Process(line);
    ready_ = process_.started() && WaitForEvent(ready, process_, 20000);
    CloseHandle(ready);
}

Listener::~Listener() {
    Stop(5000);
    if (stop_) CloseHandle(stop_);
    DeleteFileA(log_.c_str());
}

std::vector<std::string> Listener::Messages() const {
    std::vector<std::string> lines = LogLines(log_);
    lines.erase(std::remove_if(lines.begin(), lines.end(), IsMarker), lines.end());
    return lines;
}

int Listener::Count(const std::string& line) const {
    std::vector<std::string> lines = Messages();
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

bool Listener::WaitForCount(const std::string& line, int n, DWORD timeoutMs) const {
    ULONGLONG end = NowMs() + timeoutMs;
    for (;;) {
        if (Count(line) >= n) return true;
        if (NowMs() >= end) return false;
        Sleep(20);
    }
}

bool Listener::Sync(DWORD timeoutMs) {
    if (!ready_) return false;
    HWND window = nullptr;
    for (const TopWindow& w : TopLevelWindows()) {
        if (w.pid == process_.pid() && w.className == "RuneListener") window = w.hwnd;
    }
    const UINT reload = RegisterWindowMessageA(keymap::kReloadMappingsMessage);
    const int number = ++syncs_;
    if (!window || !reload || !PostMessageA(window, reload, kMarkerWParam, number)) return false;
    const std::string marker = kMarkerPrefix + "lParam=" + std::to_string(number);
    const ULONGLONG end = NowMs() + timeoutMs;
    for (;;) {
        const std::vector<std::string> lines = LogLines(log_);
        if (std::find(lines.begin(), lines.end(), marker) != lines.end()) return true;
        if (NowMs() >= end) return false;
        Sleep(20);
    }
}

bool Listener::Stop(DWORD timeoutMs) {
    if (!process_.started()) return false;
    if (stop_) SetEvent(stop_);
    DWORD code = 1;
    if (!process_.Wait(timeoutMs, &code)) {
        process_.Kill();
        return false;
    }
    return code == 0;
}

}  // namespace runetest
