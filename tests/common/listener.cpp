#include "common/listener.h"

#include <algorithm>

#include "common/desktop.h"

namespace runetest {

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
    std::vector<std::string> lines;
    std::string text = ReadFileText(log_);
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
