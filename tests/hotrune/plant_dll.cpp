// rune_plant.dll: a DLL that a program must never load by its bare name from the current
// folder. Loading it is all it takes to show the fault.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
