// The least a Windows program can do: start and end. Its start and memory are the floor that
// Runestop is measured against.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
