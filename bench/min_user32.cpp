// The least a program can do that touches the window manager: register one window message and
// end. Any program that broadcasts, as Runestop does, pays at least this much.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return RegisterWindowMessageA("WM_QUIT_HOTRUNE") != 0 ? 0 : 1;
}
