// rune_fire.exe: the program a test shortcut starts. It appends one line to the file named by
// the environment variable RUNE_FIRE_LOG (inherited from the service, which inherits it from
// the test): "<its own file name> <its working directory>", then ends. Copied under several
// names, it tells apart which shortcut started what, and from which folder.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char log[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("RUNE_FIRE_LOG", log, sizeof log);
    if (n == 0 || n >= sizeof log) return 2;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string name = self;
    name = name.substr(name.find_last_of("\\/") + 1);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    const std::string line = name + " " + cwd + "\r\n";
    // Several copies may start at once: retry while another holds the file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return 0;
        }
        Sleep(20);
    }
    return 3;
}
