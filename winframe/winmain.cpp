// The entry point of a program built on the application object; linked into programs only,
// so that tests can drive the dialogs from their own main().
#include "winframe/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    return AfxWinMain(instance, previous, commandLine, show);
}
