#include "hotrune/launch.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hotrune/handles.h"
#include "hotrune/notify.h"
#include "hotrune/system.h"

namespace hotrune {

namespace {

// How long a started program has to show its first window before we stop watching for it.
constexpr ULONGLONG kForegroundWaitMs = 10000;
constexpr DWORD kForegroundPollMs = 100;
#ifndef ERROR_ELEVATION_REQUIRED
constexpr DWORD ERROR_ELEVATION_REQUIRED = 740;  // missing from older SDK headers
#endif

// Jobs waiting behind a start that hangs; more presses than this are dropped.
constexpr size_t kMaxQueuedJobs = 16;

bool EndsWithNoCase(const std::string& text, const char* suffix) {
    const size_t n = std::char_traits<char>::length(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) !=
            std::tolower(static_cast<unsigned char>(suffix[i])))
            return false;
    }
    return true;
}

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindShownWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && ::IsWindowVisible(hwnd) && !::GetWindow(hwnd, GW_OWNER)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct Pending {
    UniqueHandle process;
    DWORD pid;
    ULONGLONG deadline;
};

}  // namespace

struct Launcher::State final : Starter {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::function<void(Starter&)>> jobs;
    bool stop = false;
    bool toldBusy = false;
    bool threadStarted = false;  // touched by the service's thread only
    bool noThread = false;       // likewise: no thread could be had
    // Touched by the launcher's thread only.
    std::vector<Pending> pending;

    // Brings the first visible window of each program started lately to the front and
    // forgets programs that showed one, ended or took too long. True while some is awaited.
    bool BringForward() {
        const ULONGLONG now = ::GetTickCount64();
        pending.erase(std::remove_if(pending.begin(), pending.end(),
                                     [now](const Pending& p) {
                                         if (now > p.deadline) return true;
                                         if (::WaitForSingleObject(p.process.get(), 0) ==
                                             WAIT_OBJECT_0)
                                             return true;
                                         WindowSearch search{p.pid, nullptr};
                                         ::EnumWindows(FindShownWindow,
                                                       reinterpret_cast<LPARAM>(&search));
                                         if (!search.found) return false;
                                         // Async: a new window that hangs must not hang us.
                                         if (::IsIconic(search.found))
                                             ::ShowWindowAsync(search.found, SW_RESTORE);
                                         ::SetForegroundWindow(search.found);
                                         return true;
                                     }),
                      pending.end());
        return !pending.empty();
    }

    void Run() {
        // The shell's document handlers expect a single-threaded apartment; joined at the first
        // start, so that a service that starts nothing never loads COM.
        std::unique_ptr<ComApartment> com;
        for (;;) {
            std::function<void(Starter&)> job;
            {
                std::unique_lock<std::mutex> hold(lock);
                const auto ready = [this] { return stop || !jobs.empty(); };
                if (pending.empty())
                    wake.wait(hold, ready);
                else
                    wake.wait_for(hold, std::chrono::milliseconds(kForegroundPollMs), ready);
                if (stop) return;
                if (!jobs.empty()) {
                    job = std::move(jobs.front());
                    jobs.pop_front();
                    if (jobs.empty()) toldBusy = false;
                }
            }
            if (job) {
                try {
                    if (!com) com = std::make_unique<ComApartment>();
                    job(*this);
                } catch (...) {
                    // Out of memory while building a message: this start is lost, not the rest.
                }
            }
            BringForward();
        }
    }

    bool Start(const std::string& path, const std::string& directory, std::string& error) override;
};

Launcher::Launcher() : state_(std::make_shared<State>()) {}

Launcher::~Launcher() {
    {
        std::lock_guard<std::mutex> hold(state_->lock);
        state_->stop = true;
    }
    state_->wake.notify_all();
}

bool Launcher::Post(std::function<void(Starter&)> job) {
    // The thread comes with the first start: an idle service carries no second thread.
    if (!state_->threadStarted && !state_->noThread) {
        std::shared_ptr<State> state = state_;
        try {
            std::thread([state] { state->Run(); }).detach();
            state_->threadStarted = true;
        } catch (...) {
            // No thread to be had: starts then run on the caller's thread, slower but not lost.
            state_->noThread = true;
        }
    }
    if (state_->noThread) {
        const ComApartment com;
        job(*state_);
        state_->BringForward();
        return true;
    }
    bool dropped = false;
    bool tell = false;
    {
        std::lock_guard<std::mutex> hold(state_->lock);
        if (state_->jobs.size() >= kMaxQueuedJobs) {
            dropped = true;
            tell = !state_->toldBusy;
            state_->toldBusy = true;
        } else {
            state_->jobs.push_back(std::move(job));
        }
    }
    // Every dropped job says so, not only the one that tells the user: the box is shown once.
    if (dropped) {
        if (tell) {
            ShowMessage("Hotrune is still waiting for a program to start, so the latest shortcuts "
                        "were not carried out.\nPress them again once it has started.");
        }
        return false;
    }
    state_->wake.notify_one();
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) {
        // "C:X.EXE" is relative to drive C's current folder: keep that meaning.
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
    }
    if (slash == 2 && path[1] == ':') return path.substr(0, 3);  // the drive's root keeps its slash
    if (slash == 0) return path.substr(0, 1);
    return path.substr(0, slash);
}

bool IsFullPath(const std::string& path) {
    const auto slash = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        slash(path[2]))
        return true;
    return path.size() >= 3 && slash(path[0]) && slash(path[1]) && !slash(path[2]);
}

std::string LongPathOf(const std::string& path) {
    std::vector<char> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD n = ::GetLongPathNameA(path.c_str(), buffer.data(),
                                           static_cast<DWORD>(buffer.size()));
        if (n == 0) return path;
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(n + 1);
    }
    return path;
}

bool Launcher::State::Start(const std::string& storedPath, const std::string& directoryGiven,
                     std::string& error) {
    if (!IsFullPath(storedPath)) {
        // Relative to whatever folder the service happens to be in: never what the user meant.
        error = "it is not a full path. Remove the shortcut with Runeset and add it again "
                "with the program's full path.";
        return false;
    }
    // Programs that keep settings or a single-instance check under their own path expect the
    // long form, not the short one the store holds.
    const std::string path = LongPathOf(storedPath);
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = SystemErrorText(::GetLastError());
        return false;
    }
    const std::string folder = directoryGiven.empty() ? FolderOf(path) : directoryGiven;
    const char* directory = folder.empty() ? nullptr : folder.c_str();
    const SystemCalls& system = System();
    HANDLE process = nullptr;
    DWORD pid = 0;

    const bool program = !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         (EndsWithNoCase(path, ".exe") || EndsWithNoCase(path, ".com"));
    bool viaShell = !program;
    if (program) {
        std::string commandLine = "\"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION info = {};
        if (system.createProcess(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                                 nullptr, directory, &startup, &info)) {
            ::CloseHandle(info.hThread);
            process = info.hProcess;
            pid = info.dwProcessId;
        } else {
            const DWORD code = ::GetLastError();
            // A program whose manifest asks for administrator rights: only the shell can show
            // the consent prompt for it.
            if (code != ERROR_ELEVATION_REQUIRED) {
                error = SystemErrorText(code);
                return false;
            }
            viaShell = true;
        }
    }
    if (viaShell) {
        // Batch files, documents, folders and programs that need elevation are opened the way
        // the shell opens them.
        SHELLEXECUTEINFOA execute = {};
        execute.cbSize = sizeof execute;
        execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC |
                        (program ? 0 : SEE_MASK_FLAG_NO_UI);
        execute.lpFile = path.c_str();
        execute.lpDirectory = directory;
        execute.nShow = SW_SHOWNORMAL;
        if (!system.shellExecuteEx(&execute)) {
            const DWORD code = ::GetLastError();
            error = code == ERROR_CANCELLED
                        ? std::string("it needs administrator rights, and they were not given.")
                        : SystemErrorText(code);
            return false;
        }
        process = execute.hProcess;  // none when an already running program took the document
        if (process) pid = ::GetProcessId(process);
    }

    if (process) {
        // The user pressed the shortcut for this program: let it take the foreground itself.
        ::AllowSetForegroundWindow(pid);
        pending.push_back(
            Pending{UniqueHandle(process), pid, ::GetTickCount64() + kForegroundWaitMs});
    }
    return true;
}

}  // namespace hotrune
