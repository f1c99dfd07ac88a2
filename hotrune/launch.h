// Starting programs for the shortcuts: a program runs in its own folder and its first window
// is brought to the front, without the service ever waiting for it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "hotrune/handles.h"

namespace hotrune {

class Launcher {
public:
    // Starts the program (or opens the document) at `path`, with the folder that holds it as
    // working directory. Returns true once it is started; otherwise false with `error` set to
    // the system's reason. Never waits for the program.
    bool Start(const std::string& path, std::string& error);

    // Brings the first visible window of each program started in the last few seconds to
    // the foreground, and forgets programs that showed one, ended or took too long. Returns
    // true while some program is still awaited (the caller keeps polling).
    bool BringForward();

private:
    struct Pending {
        UniqueHandle process;
        DWORD pid;
        ULONGLONG deadline;
    };
    std::vector<Pending> pending_;
};

// The folder part of a path ("C:\\TOOLS\\X.EXE" -> "C:\\TOOLS", "C:\\X.EXE" -> "C:\\");
// empty when the path names no folder.
std::string FolderOf(const std::string& path);

}  // namespace hotrune
