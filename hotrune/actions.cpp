#include "hotrune/actions.h"

#include <mmsystem.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

#include "hotrune/handles.h"
#include "hotrune/notify.h"
#include "hotrune/system.h"
#include "keymap/functions.h"

namespace hotrune {

using keymap::Function;

const char kActionLogVariable[] = "HOTRUNE_ACTION_LOG";

namespace {

// ---- the seam -------------------------------------------------------------------------

// True when the action was written to the test log instead of being performed.
bool RecordedInsteadOfPerformed(const char* token) {
#ifdef HOTRUNE_ACTION_LOG_SEAM
    char path[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableA(kActionLogVariable, path, sizeof path);
    if (n == 0 || n >= sizeof path) return false;
    UniqueHandle file(::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string line = std::string(token) + "\r\n";
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written,
                              nullptr)) {
        ShowMessage(std::string("Hotrune could not write to the action log \"") + path + "\": " +
                    SystemErrorText(::GetLastError()));
    }
    return true;
#else
    (void)token;
    return false;
#endif
}

// A start the launcher refused (it was busy): the user was told by the launcher; the test log
// gets a line per refused press so that every press can be accounted for.
void NoteRefused(const std::string& target) {
#ifdef HOTRUNE_ACTION_LOG_SEAM
    RecordedInsteadOfPerformed(("refused " + target).c_str());
#else
    (void)target;
#endif
}

// ---- applications ---------------------------------------------------------------------

struct Application {
    Function function;
    const char* label;
    std::vector<const char*> programs;  // tried in this order
};

const std::vector<Application>& Applications() {
    static const std::vector<Application> apps = {
        {Function::Notepad, "Notepad", {"notepad.exe"}},
        {Function::Wordpad, "Wordpad", {"write.exe", "wordpad.exe"}},
        {Function::CommandPrompt, "Command Prompt", {"cmd.exe"}},
        {Function::Paint, "Paint", {"mspaint.exe"}},
        {Function::RegistryEditor, "Registry Editor", {"regedit.exe"}},
        {Function::MediaPlayer, "Windows Media Player", {"wmplayer.exe", "mplayer2.exe"}},
        {Function::VolumeControl, "Volume Control", {"sndvol.exe", "sndvol32.exe"}},
    };
    return apps;
}

const Application* ApplicationOf(const std::string& token) {
    const std::optional<Function> function = keymap::FunctionOf(token);
    if (!function) return nullptr;
    for (const Application& app : Applications())
        if (*function == app.function) return &app;
    return nullptr;
}

bool IsFile(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Expand(const std::string& text) {
    char buffer[MAX_PATH * 2];
    const DWORD n = ::ExpandEnvironmentStringsA(text.c_str(), buffer, sizeof buffer);
    if (n == 0 || n > sizeof buffer) return text;
    return buffer;
}

std::string Environment(const char* name) {
    char buffer[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(),
                            static_cast<int>(prefix.size()), prefix.c_str(),
                            static_cast<int>(prefix.size())) == CSTR_EQUAL;
}

// The default value of "App Paths\<program>", where installed applications register. The
// 64-bit view of the machine's key: that is the one the Run dialog reads on 64-bit Windows.
std::string RegisteredAppPath(HKEY root, const char* program) {
    const std::string name = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + program;
    HKEY raw = nullptr;
    if (::RegOpenKeyExA(root, name.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw) != ERROR_SUCCESS)
        return std::string();
    char buffer[MAX_PATH * 2];
    DWORD size = sizeof buffer;
    const LONG rc = ::RegGetValueA(raw, nullptr, nullptr,
                                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr,
                                   buffer, &size);
    ::RegCloseKey(raw);
    if (rc != ERROR_SUCCESS) return std::string();
    std::string path = Expand(buffer);
    // Some installers store the path in quotes.
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    return path;
}

// Where a system application lives: the native system folder first (never the current
// folder or ours, so nothing placed beside the service can pose as it), then where the Run
// dialog looks: App Paths and the user's app-execution aliases (packaged apps such as the
// newer Paint are only there).
std::string FindProgram(const char* program, const SystemFolders& folders) {
    std::vector<std::string> places = {
        folders.wow64 ? folders.windows + "\\Sysnative" : folders.system, folders.windows,
        Expand("%ProgramFiles%\\Windows Media Player")};
    for (const std::string& folder : places) {
        const std::string path = folder + "\\" + program;
        if (IsFile(path)) return path;
    }
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        const std::string path = NativeSystemPath(RegisteredAppPath(root, program), folders);
        if (!path.empty() && IsFile(path)) return path;
    }
    const std::string local = Environment("LOCALAPPDATA");
    if (!local.empty()) {
        const std::string alias = local + "\\Microsoft\\WindowsApps\\" + program;
        if (IsFile(alias)) return alias;
    }
    return std::string();
}

// Runs on the launcher's thread: looking for the program touches the disk and the registry.
void StartApplication(const Application& app, const std::string& shortcutText,
                      Starter& launcher) {
    const std::string path = FindApplication(keymap::TokenOf(app.function), CurrentSystemFolders());
    if (path.empty()) {
        ShowMessage(std::string("Hotrune could not start ") + app.label + " for " +
                    shortcutText + ": " + app.programs.front() +
                    " was not found on this computer.");
        return;
    }
    // As the Run dialog does: the user's own folder, not the system folder, is where the
    // application's Open and Save start.
    std::string error;
    if (!launcher.Start(path, Environment("USERPROFILE"), error)) {
        ShowMessage(std::string("Hotrune could not start ") + app.label + " (" + path +
                    ") for " + shortcutText + ":\n" + error);
    }
}

// ---- CD tray --------------------------------------------------------------------------

// The tray takes seconds to move, so MCI runs on a thread of its own; one at a time, so a
// hammered key cannot pile up threads (the presses while it moves are dropped).
std::atomic<bool> g_trayMoving{false};

void MoveCdTray(bool open) {
    if (g_trayMoving.exchange(true)) return;
    try {
        std::thread([open] {
            const char* command = open ? "set cdaudio door open wait" : "set cdaudio door closed wait";
            const MCIERROR rc = hotrune::mciSendStringA(command, nullptr, 0, nullptr);
            g_trayMoving = false;
            if (rc != 0) {
                char reason[256] = "";
                if (!hotrune::mciGetErrorStringA(rc, reason, sizeof reason)) std::strcpy(reason, "Unknown error.");
                ShowMessage(std::string("Hotrune could not ") +
                            (open ? "open" : "close") + " the CD tray:\n" + reason);
            }
        }).detach();
    } catch (...) {
        g_trayMoving = false;
        ShowMessage("Hotrune could not move the CD tray: the system is out of resources.");
    }
}

// ---- volume ---------------------------------------------------------------------------

// Only the device's master volume is the system volume: since Vista the wave-out volume is
// this program's own session, which the user would not hear change.
void StepVolume(bool up) {
    if (System().stepEndpointVolume(up)) return;
    ShowMessage(std::string("Hotrune could not ") + (up ? "raise" : "lower") +
                " the volume: the sound device's volume control could not be reached.");
}

// ---- power ----------------------------------------------------------------------------

bool EnableShutdownPrivilege() {
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
        return false;
    UniqueHandle token(raw);
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        return false;
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr)) return false;
    return ::GetLastError() == ERROR_SUCCESS;  // ERROR_NOT_ALL_ASSIGNED: the user may not
}

void EndSession(UINT flags, const char* what) {
    const bool privileged = flags == EWX_LOGOFF || EnableShutdownPrivilege();
    if (!privileged) {
        ShowMessage(std::string("Hotrune could not ") + what +
                    ": this user may not shut down the computer.\n" +
                    SystemErrorText(::GetLastError()));
        return;
    }
    // No force flag: programs may still ask to save their work.
    if (!::ExitWindowsEx(flags, SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER |
                                    SHTDN_REASON_FLAG_PLANNED)) {
        ShowMessage(std::string("Hotrune could not ") + what + ":\n" +
                    SystemErrorText(::GetLastError()));
    }
}

void Standby(const ActionContext& context) {
    switch (System().standbyKind()) {
    case StandbyKind::Sleep: {
        using SuspendFn = BOOLEAN(WINAPI*)(BOOLEAN, BOOLEAN, BOOLEAN);
        auto suspend = reinterpret_cast<SuspendFn>(SystemProc("powrprof.dll", "SetSuspendState"));
        if (!suspend) ::SetLastError(ERROR_PROC_NOT_FOUND);
        if (!suspend || !EnableShutdownPrivilege() || !suspend(FALSE, FALSE, FALSE)) {
            ShowMessage("Hotrune could not put the computer on standby:\n" +
                        SystemErrorText(::GetLastError()));
        }
        return;
    }
    case StandbyKind::DisplayOff: {
        // Modern standby has no sleep call: the machine goes to standby when its display goes
        // off, which is what its power button does. A key still down would wake it again.
        const HWND window = context.window;
        context.afterRelease([window] {
            ::SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
        });
        return;
    }
    case StandbyKind::Unavailable:
        ShowMessage("Hotrune could not put the computer on standby: this computer offers no "
                    "standby (sleep) state.\nIt may be switched off in the computer's firmware "
                    "settings, or its display driver may not support it.");
        return;
    }
}

// ---- screen saver ---------------------------------------------------------------------

// A value of the screen saver settings: a policy, which wins, or the user's own choice.
std::string DesktopSetting(const char* name) {
    const char* keys[] = {"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop",
                          "Control Panel\\Desktop"};
    for (const char* key : keys) {
        char value[MAX_PATH] = "";
        DWORD size = sizeof value;
        if (::RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) ==
            ERROR_SUCCESS)
            return value;
    }
    return std::string();
}

void StartScreenSaver(const ActionContext& context) {
    // In either case the system command would do nothing at all: say so instead.
    if (DesktopSetting("SCRNSAVE.EXE").empty()) {
        ShowMessage("Hotrune could not start the screen saver: no screen saver is chosen.\n"
                    "Choose one in the screen saver settings of the system.");
        return;
    }
    if (DesktopSetting("ScreenSaveActive") == "0") {
        ShowMessage("Hotrune could not start the screen saver: the screen saver is switched off.\n"
                    "Switch it on in the screen saver settings of the system.");
        return;
    }
    // Letting go of the shortcut's keys would end a screen saver started while they are down.
    const HWND window = context.window;
    context.afterRelease([window] { ::SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0); });
}

}  // namespace

SystemFolders CurrentSystemFolders() {
    SystemFolders folders;
    char buffer[MAX_PATH];
    const UINT s = ::GetSystemDirectoryA(buffer, sizeof buffer);
    if (s && s < sizeof buffer) folders.system = buffer;
    const UINT w = ::GetWindowsDirectoryA(buffer, sizeof buffer);
    if (w && w < sizeof buffer) folders.windows = buffer;
    folders.wow64 = System().isWow64();
    return folders;
}

std::string NativeSystemPath(const std::string& path, const SystemFolders& folders) {
    if (!folders.wow64 || folders.system.empty() || !StartsWithNoCase(path, folders.system))
        return path;
    const size_t n = folders.system.size();
    if (path.size() > n && path[n] != '\\' && path[n] != '/') return path;  // "System32x\..."
    return folders.windows + "\\Sysnative" + path.substr(n);
}

std::string FindApplication(const std::string& token, const SystemFolders& folders) {
    const Application* app = ApplicationOf(token);
    if (!app) return std::string();
    if (app->function == Function::CommandPrompt) {
        // %ComSpec% names System32's cmd.exe, which a 32-bit process would get as the 32-bit one.
        const std::string comspec = NativeSystemPath(Environment("ComSpec"), folders);
        if (!comspec.empty() && IsFile(comspec)) return comspec;
    }
    for (const char* program : app->programs) {
        std::string path = FindProgram(program, folders);
        if (!path.empty()) return path;
    }
    return std::string();
}

void CarryOut(const std::string& target, const std::string& shortcutText,
              const ActionContext& context) {
    Launcher& launcher = context.launcher;
    if (const Application* app = ApplicationOf(target)) {
        if (!launcher.Post([app, shortcutText](Starter& starter) {
                StartApplication(*app, shortcutText, starter);
            }))
            NoteRefused(target);
        return;
    }

    struct Action {
        Function function;
        bool seamed;   // recorded instead of performed under the test seam
        void (*run)(const ActionContext&);
    };
    static const Action functions[] = {
        {Function::EjectCdTray, true, [](const ActionContext&) { MoveCdTray(true); }},
        {Function::CloseCdTray, true, [](const ActionContext&) { MoveCdTray(false); }},
        {Function::IncreaseVolume, true, [](const ActionContext&) { StepVolume(true); }},
        {Function::DecreaseVolume, true, [](const ActionContext&) { StepVolume(false); }},
        {Function::StartScreenSaver, false, [](const ActionContext& c) { StartScreenSaver(c); }},
        {Function::Standby, true, [](const ActionContext& c) { Standby(c); }},
        {Function::PowerOff, true, [](const ActionContext&) { EndSession(EWX_POWEROFF, "power off the computer"); }},
        {Function::Shutdown, true, [](const ActionContext&) { EndSession(EWX_SHUTDOWN, "shut down the computer"); }},
        {Function::Reboot, true, [](const ActionContext&) { EndSession(EWX_REBOOT, "restart the computer"); }},
        {Function::LogOff, true, [](const ActionContext&) { EndSession(EWX_LOGOFF, "log off"); }},
    };
    const std::optional<Function> function = keymap::FunctionOf(target);
    for (const Action& f : functions) {
        if (!function || *function != f.function) continue;
        if (f.seamed && RecordedInsteadOfPerformed(keymap::TokenOf(f.function))) return;
        f.run(context);
        return;
    }

    if (!launcher.Post([target, shortcutText](Starter& starter) {
            std::string error;
            if (!starter.Start(target, std::string(), error)) {
                ShowMessage("Hotrune could not start \"" + target + "\" for " + shortcutText +
                            ":\n" + error);
            }
        }))
        NoteRefused(target);
}

}  // namespace hotrune
