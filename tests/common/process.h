// Starting real processes from a test: finding programs beside the test, starting them with a
// time limit, collecting their exit status and (optionally) their standard output.
#pragma once

#include <windows.h>

#include <string>

namespace runetest {

// The folder of the running test program, with a trailing backslash ("C:\\...\\bin\\" style;
// under Wine a Z:\ path). Programs and tests are built into the same bin/ folder.
std::string ExeDir();
// ExeDir() + name, e.g. SiblingExe("runestop.exe").
std::string SiblingExe(const char* name);
bool FileExists(const std::string& path);
// A new, unused file name in the temporary folder (the file is not created).
std::string TempPath(const char* prefix);
// A process-unique name for kernel objects (events), e.g. "rune-ready-123-4".
std::string UniqueName(const char* prefix);
// Reads a whole file; empty when missing.
std::string ReadFileText(const std::string& path);
// Milliseconds from a monotonic clock.
ULONGLONG NowMs();

// An owned child process: terminated (and reaped) by the destructor if it is still running.
// Move-only.
class Process {
public:
    Process() = default;
    // Starts `commandLine` (the program path quoted as needed). Check started().
    // `stdoutPipe`: when true, the child's standard output goes to a pipe read by ReadAll().
    explicit Process(const std::string& commandLine, bool stdoutPipe = false);
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    bool started() const { return process_ != nullptr; }
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_; }
    // Waits for the end; true with `exitCode` set when it ended within `timeoutMs`.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    bool Running() const;
    void Kill();
    // With stdoutPipe: everything the child wrote until it closed its output (call after Wait,
    // or to wait for the child's output to end).
    std::string ReadAll();
    // With stdoutPipe: what the child has written so far, without waiting.
    std::string ReadAvailable();

private:
    void Reset();
    HANDLE process_ = nullptr;
    HANDLE stdoutRead_ = nullptr;
    DWORD pid_ = 0;
};

struct RunResult {
    bool started = false;
    bool finished = false;   // ended within the time limit (otherwise it was killed)
    DWORD exitCode = 0;
    ULONGLONG elapsedMs = 0;
    std::string output;      // standard output, when captured
};

// Starts `commandLine`, waits at most `timeoutMs` for it to end (killing it after that); with
// captureStdout, collects its standard output meanwhile.
RunResult RunProcess(const std::string& commandLine, DWORD timeoutMs, bool captureStdout = false);

// Quotes one argument for a Windows command line when it needs it.
std::string Quote(const std::string& arg);

}  // namespace runetest
