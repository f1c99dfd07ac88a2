#include "hotrune/launch.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>

#include "hotrune/notify.h"

namespace hotrune {

namespace {

// How long a started program has to show its first window before we stop watching for it.
constexpr ULONGLONG kForegroundWaitMs = 10000;

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

}  // namespace

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

bool Launcher::Start(const std::string& path, std::string& error) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = SystemErrorText(::GetLastError());
        return false;
    }
    const std::string folder = FolderOf(path);
    const char* directory = folder.empty() ? nullptr : folder.c_str();
    HANDLE process = nullptr;
    DWORD pid = 0;

    const bool program = !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         (EndsWithNoCase(path, ".exe") || EndsWithNoCase(path, ".com"));
    if (program) {
        std::string commandLine = "\"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                              directory, &startup, &info)) {
            error = SystemErrorText(::GetLastError());
            return false;
        }
        ::CloseHandle(info.hThread);
        process = info.hProcess;
        pid = info.dwProcessId;
    } else {
        // Batch files, documents and folders are opened the way the shell opens them.
        SHELLEXECUTEINFOA execute = {};
        execute.cbSize = sizeof execute;
        execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        execute.lpFile = path.c_str();
        execute.lpDirectory = directory;
        execute.nShow = SW_SHOWNORMAL;
        if (!::ShellExecuteExA(&execute)) {
            error = SystemErrorText(::GetLastError());
            return false;
        }
        process = execute.hProcess;  // none when an already running program took the document
        if (process) pid = ::GetProcessId(process);
    }

    if (process) {
        // The user pressed the shortcut for this program: let it take the foreground itself.
        ::AllowSetForegroundWindow(pid);
        pending_.push_back(Pending{UniqueHandle(process), pid, ::GetTickCount64() + kForegroundWaitMs});
    }
    return true;
}

bool Launcher::BringForward() {
    const ULONGLONG now = ::GetTickCount64();
    pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                  [now](const Pending& p) {
                                      if (now > p.deadline) return true;
                                      if (::WaitForSingleObject(p.process.get(), 0) == WAIT_OBJECT_0)
                                          return true;
                                      WindowSearch search{p.pid, nullptr};
                                      ::EnumWindows(FindShownWindow,
                                                    reinterpret_cast<LPARAM>(&search));
                                      if (!search.found) return false;
                                      if (::IsIconic(search.found))
                                          ::ShowWindow(search.found, SW_RESTORE);
                                      ::SetForegroundWindow(search.found);
                                      return true;
                                  }),
                   pending_.end());
    return !pending_.empty();
}

}  // namespace hotrune
