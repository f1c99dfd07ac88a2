#include "common/message_boxes.h"

#include <cstring>

#include "common/process.h"

namespace runetest {

namespace {

struct BoxSearch {
    const char* caption;
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = "", title[128] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    ::GetWindowTextA(hwnd, title, sizeof title);
    if (pid == ::GetCurrentProcessId() && std::strcmp(cls, "#32770") == 0 &&
        std::strcmp(title, search->caption) == 0 && ::IsWindowVisible(hwnd))
        search->boxes.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK AppendStatic(HWND child, LPARAM param) {
    char cls[64] = "";
    ::GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0) {
        char text[8192] = "";
        ::GetWindowTextA(child, text, sizeof text);
        *reinterpret_cast<std::string*>(param) += text;
    }
    return TRUE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = NowMs() + timeoutMs;
    do {
        if (done()) return true;
        ::Sleep(10);
    } while (NowMs() < end);
    return done();
}

std::vector<HWND> OwnBoxes(const char* caption) {
    BoxSearch search{caption, {}};
    ::EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

std::string BoxText(HWND box) {
    std::string text;
    ::EnumChildWindows(box, AppendStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

void CloseBox(HWND box) {
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([box] { return !::IsWindow(box); }, 3000);
}

std::string TakeBox(const char* caption, DWORD timeoutMs) {
    std::string text;
    WaitUntil([&text, caption] {
        std::vector<HWND> boxes = OwnBoxes(caption);
        if (boxes.empty()) return false;
        text = BoxText(boxes[0]);
        CloseBox(boxes[0]);
        return true;
    }, timeoutMs);
    return text;
}

void CloseAllBoxes(const char* caption) {
    for (HWND box : OwnBoxes(caption)) CloseBox(box);
}

}  // namespace runetest
