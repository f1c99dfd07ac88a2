// Starting programs for the shortcuts, away from the service's message thread: a slow network
// path, a document handed to the shell or a hung new window holds up only the launcher's own
// thread, never the hotkeys or the broadcasts. A program runs in its own folder (or the folder
// given) and its first window is brought to the front.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace hotrune {

// What a posted job starts programs with; valid for the job's run only.
class Starter {
public:
    // Starts the program, or opens the document, at `path`. `directory` is its working
    // folder; empty: the folder that holds it. Returns true once it is started; otherwise
    // false with `error` set to the reason. Never waits for the program.
    virtual bool Start(const std::string& path, const std::string& directory,
                       std::string& error) = 0;

protected:
    ~Starter() = default;
};

class Launcher {
public:
    Launcher();
    // Lets the launcher's thread end once its current job is done; never waits for it.
    ~Launcher();
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    // Runs `job` on the launcher's thread (started by the first call), after the jobs queued
    // before it. Returns false (the job dropped, the user told once) while too many jobs are
    // waiting, which happens only when a start hangs and the key is pressed again and again.
    bool Post(std::function<void(Starter&)> job);

    struct State;

private:
    std::shared_ptr<State> state_;
};

// The folder part of a path ("C:\\TOOLS\\X.EXE" -> "C:\\TOOLS", "C:\\X.EXE" -> "C:\\");
// empty when the path names no folder.
std::string FolderOf(const std::string& path);

// True for "C:\\..." and "\\\\server\\share\\...": a path that does not depend on the
// current folder or drive.
bool IsFullPath(const std::string& path);

// The long form of an existing path ("C:\\PROGRA~1\\X.EXE" -> "C:\\Program Files\\X.EXE");
// the path itself when it has none.
std::string LongPathOf(const std::string& path);

}  // namespace hotrune
