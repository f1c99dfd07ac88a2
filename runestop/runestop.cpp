// Runestop: tells a running hotkey service to quit and ends. It shows nothing, reads no
// arguments and never touches the stored shortcuts.
#include <windows.h>

#include <cstdlib>

#include "keymap/process.h"
#include "keymap/service.h"
#include "runestop/resource.h"

namespace {

constexpr int kMaxLoadString = 100;

char g_title[kMaxLoadString];        // string IDS_APP_TITLE
char g_windowClass[kMaxLoadString];  // string IDC_RUNESTOP
HINSTANCE g_instance = nullptr;
UINT g_quitHotrune = 0;

// No window of this class is ever created; the procedure only completes the class.
LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The result is not examined: nothing depends on the class existing.
ATOM RegisterRunestopClass(HINSTANCE instance) {
    WNDCLASSEXA wcex = {};
    wcex.cbSize = sizeof wcex;
    wcex.style = CS_HREDRAW | CS_VREDRAW;
    wcex.lpfnWndProc = &WndProc;
    wcex.cbClsExtra = 0;
    wcex.cbWndExtra = 0;
    wcex.hInstance = instance;
    wcex.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_RUNESTOP));
    wcex.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wcex.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wcex.lpszMenuName = nullptr;
    wcex.lpszClassName = g_windowClass;
    wcex.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    return RegisterClassExA(&wcex);
}

// Sends the quit request and ends the process with status 0; never returns.
[[noreturn]] void InitInstance(HINSTANCE instance) {
    g_instance = instance;
    g_quitHotrune = RegisterWindowMessageA(keymap::kQuitHotruneMessage);
    // Bounded per window, so a hung program elsewhere on the desktop cannot keep Runestop alive;
    // a responsive service has handled the message by the time this returns.
    keymap::Broadcast(g_quitHotrune);
    PostQuitMessage(0);
    std::exit(0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    keymap::HardenProcess();
    LoadStringA(instance, IDS_APP_TITLE, g_title, kMaxLoadString);
    LoadStringA(instance, IDC_RUNESTOP, g_windowClass, kMaxLoadString);
    RegisterRunestopClass(instance);
    InitInstance(instance);
}
