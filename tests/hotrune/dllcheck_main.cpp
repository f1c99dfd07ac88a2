// rune_dllcheck.exe FOLDER plain|hardened: makes FOLDER the current folder, hardens the
// process as the programs do at start (with "hardened"), then loads "rune_plant.dll" by its
// bare name. Exit 0: it was loaded; 1: it was not.
#include <windows.h>

#include <cstring>

#include "keymap/process.h"

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    if (!SetCurrentDirectoryA(argv[1])) return 65;
    if (std::strcmp(argv[2], "hardened") == 0) keymap::HardenProcess();
    return LoadLibraryA("rune_plant.dll") ? 0 : 1;
}
