#include "hotrune/notify.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace hotrune {

const char kMessageCaption[] = "Hotrune";

namespace {

// Shared with the box threads, which may outlive any object of the main thread.
struct Showing {
    std::mutex lock;
    std::set<std::string> texts;
};

std::shared_ptr<Showing>& ShowingState() {
    static std::shared_ptr<Showing> state = std::make_shared<Showing>();
    return state;
}

}  // namespace

void ShowMessage(const std::string& text) {
    std::shared_ptr<Showing> state = ShowingState();
    {
        std::lock_guard<std::mutex> hold(state->lock);
        if (state->texts.size() >= kMaxOpenMessages) return;
        if (!state->texts.insert(text).second) return;
    }
    try {
        std::thread([state, text] {
            // No owner window: the service's window is hidden. Foreground and topmost so the
            // box is seen even though no window of ours is active.
            ::MessageBoxA(nullptr, text.c_str(), kMessageCaption,
                          MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST);
            std::lock_guard<std::mutex> hold(state->lock);
            state->texts.erase(text);
        }).detach();
    } catch (...) {
        // No thread to be had: better a box that waits than no word at all.
        {
            std::lock_guard<std::mutex> hold(state->lock);
            state->texts.erase(text);
        }
        ::MessageBoxA(nullptr, text.c_str(), kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
    }
}

std::string Abbreviated(const std::string& text, size_t limit) {
    std::string shown = text.size() > limit ? text.substr(0, limit > 3 ? limit - 3 : 0) + "..." : text;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < ' ') c = ' ';
    return shown;
}

std::string SystemErrorText(unsigned long code) {
    char* buffer = nullptr;
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (n && buffer) text.assign(buffer, n);
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '.'))
        text.pop_back();
    if (text.empty()) text = "Unknown error";
    return text + " (error " + std::to_string(code) + ").";
}

}  // namespace hotrune
