#include "common/process.h"

#include <atomic>
#include <cstdio>
#include <utility>
#include <vector>

namespace runetest {

std::string ExeDir() {
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

std::string SiblingExe(const char* name) { return ExeDir() + name; }

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {
std::atomic<int> g_serial{0};
}

std::string UniqueName(const char* prefix) {
    char name[128];
    std::snprintf(name, sizeof name, "%s-%lu-%lu-%d", prefix, GetCurrentProcessId(),
                  GetTickCount(), ++g_serial);
    return name;
}

std::string TempPath(const char* prefix) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + UniqueName(prefix) + ".txt";
    DeleteFileA(path.c_str());
    return path;
}

std::string ReadFileText(const std::string& path) {
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

ULONGLONG NowMs() { return GetTickCount64(); }

std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

Process::Process(const std::string& commandLine, bool stdoutPipe) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    HANDLE writeEnd = nullptr;
    if (stdoutPipe) {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        if (!CreatePipe(&stdoutRead_, &writeEnd, &sa, 0)) return;
        SetHandleInformation(stdoutRead_, HANDLE_FLAG_INHERIT, 0);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = writeEnd;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, stdoutPipe ? TRUE : FALSE, 0,
                       nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
    }
    if (writeEnd) CloseHandle(writeEnd);  // the child holds its own copy
}

Process::Process(Process&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)),
      stdoutRead_(std::exchange(other.stdoutRead_, nullptr)),
      pid_(std::exchange(other.pid_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Reset();
        process_ = std::exchange(other.process_, nullptr);
        stdoutRead_ = std::exchange(other.stdoutRead_, nullptr);
        pid_ = std::exchange(other.pid_, 0);
    }
    return *this;
}

Process::~Process() { Reset(); }

void Process::Reset() {
    if (process_) {
        if (Running()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
        process_ = nullptr;
    }
    if (stdoutRead_) {
        CloseHandle(stdoutRead_);
        stdoutRead_ = nullptr;
    }
    pid_ = 0;
}

bool Process::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) GetExitCodeProcess(process_, exitCode);
    return true;
}

bool Process::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void Process::Kill() {
    if (Running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
}

std::string Process::ReadAvailable() {
    std::string text;
    if (!stdoutRead_) return text;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(stdoutRead_, nullptr, 0, nullptr, &available, nullptr) || available == 0)
            return text;
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(stdoutRead_, buffer, sizeof buffer, &got, nullptr) || got == 0) return text;
        text.append(buffer, got);
    }
}

std::string Process::ReadAll() {
    std::string text;
    if (!stdoutRead_) return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(stdoutRead_, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

RunResult RunProcess(const std::string& commandLine, DWORD timeoutMs, bool captureStdout) {
    RunResult result;
    ULONGLONG start = NowMs();
    Process process(commandLine, captureStdout);
    result.started = process.started();
    if (!result.started) return result;
    if (captureStdout) {
        // Drain while waiting, so a chatty child never blocks on a full pipe, and a child that
        // hangs still cannot hold the test beyond the time limit.
        for (;;) {
            bool ended = !process.Running();
            result.output += process.ReadAvailable();
            if (ended || NowMs() - start >= timeoutMs) break;
            Sleep(10);
        }
    }
    ULONGLONG spent = NowMs() - start;
    result.finished = process.Wait(spent >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - spent),
                                   &result.exitCode);
    result.elapsedMs = NowMs() - start;
    if (!result.finished) process.Kill();
    return result;
}

}  // namespace runetest
