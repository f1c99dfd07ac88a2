#include "hotrune/actions.h"

#include <mmdeviceapi.h>
#include <endpointvolume.h>
#include <mmsystem.h>
#include <powrprof.h>

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "hotrune/handles.h"
#include "hotrune/notify.h"
#include "keymap/functions.h"

namespace hotrune {

const char kActionLogVariable[] = "HOTRUNE_ACTION_LOG";

namespace {

using keymap::Function;

// ---- the seam -------------------------------------------------------------------------

// True when the action was written to the test log instead of being performed.
bool RecordedInsteadOfPerformed(const char* token) {
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

// The default value of "App Paths\<program>", where installed applications register.
std::string RegisteredAppPath(HKEY root, const char* program) {
    const std::string key = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + program;
    char buffer[MAX_PATH * 2];
    DWORD size = sizeof buffer;
    if (::RegGetValueA(root, key.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                       nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::string();
    std::string path = Expand(buffer);
    // Some installers store the path in quotes.
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    return path;
}

// Where a system application lives: the system folders first (never the current folder or
// ours, so nothing placed beside the service can pose as it), then its registration.
std::string FindProgram(const char* program) {
    std::vector<std::string> folders;
    char buffer[MAX_PATH];
    if (::GetSystemDirectoryA(buffer, sizeof buffer)) folders.emplace_back(buffer);
    if (::GetWindowsDirectoryA(buffer, sizeof buffer)) folders.emplace_back(buffer);
    folders.push_back(Expand("%ProgramFiles%\\Windows Media Player"));
    for (const std::string& folder : folders) {
        const std::string path = folder + "\\" + program;
        if (IsFile(path)) return path;
    }
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        const std::string path = RegisteredAppPath(root, program);
        if (!path.empty() && IsFile(path)) return path;
    }
    return std::string();
}

bool StartApplication(Function function, const std::string& shortcutText,
                      Launcher& launcher) {
    for (const Application& app : Applications()) {
        if (function != app.function) continue;
        std::string command = function == Function::CommandPrompt ? Expand("%ComSpec%") : std::string();
        std::string path = (!command.empty() && command[0] != '%' && IsFile(command)) ? command : std::string();
        for (const char* program : app.programs) {
            if (!path.empty()) break;
            path = FindProgram(program);
        }
        if (path.empty()) {
            ShowMessage(std::string("Hotrune could not start ") + app.label + " for " +
                        shortcutText + ": " + app.programs.front() +
                        " was not found on this computer.");
            return true;
        }
        std::string error;
        if (!launcher.Start(path, error)) {
            ShowMessage(std::string("Hotrune could not start ") + app.label + " (" + path +
                        ") for " + shortcutText + ":\n" + error);
        }
        return true;
    }
    return false;
}

// ---- CD tray --------------------------------------------------------------------------

// The tray takes seconds to move, so MCI runs on a thread of its own.
void MoveCdTray(bool open) {
    try {
        std::thread([open] {
            const char* command = open ? "set cdaudio door open wait" : "set cdaudio door closed wait";
            const MCIERROR rc = ::mciSendStringA(command, nullptr, 0, nullptr);
            if (rc != 0) {
                char reason[256] = "";
                if (!::mciGetErrorStringA(rc, reason, sizeof reason)) std::strcpy(reason, "Unknown error.");
                ShowMessage(std::string("Hotrune could not ") +
                            (open ? "open" : "close") + " the CD tray:\n" + reason);
            }
        }).detach();
    } catch (...) {
        ShowMessage("Hotrune could not move the CD tray: the system is out of resources.");
    }
}

// ---- volume ---------------------------------------------------------------------------

// The default playback device's master volume, in steps of a tenth of its full scale.
bool StepEndpointVolume(bool up) {
    ComPtr<IMMDeviceEnumerator> enumerator;
    if (FAILED(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(IMMDeviceEnumerator), enumerator.put_void())))
        return false;
    ComPtr<IMMDevice> device;
    if (FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, device.put()))) return false;
    ComPtr<IAudioEndpointVolume> volume;
    if (FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                volume.put_void())))
        return false;
    float level = 0.0f;
    if (FAILED(volume->GetMasterVolumeLevelScalar(&level))) return false;
    level += up ? 0.1f : -0.1f;
    if (level > 1.0f) level = 1.0f;
    if (level < 0.0f) level = 0.0f;
    if (FAILED(volume->SetMasterVolumeLevelScalar(level, nullptr))) return false;
    // Raising the volume of a muted device would change nothing the user can hear.
    if (up) volume->SetMute(FALSE, nullptr);
    return true;
}

// Older systems: the wave output's volume, both channels, 0 to 0xFFFF each.
bool StepWaveVolume(bool up) {
    DWORD both = 0;
    if (::waveOutGetVolume(nullptr, &both) != MMSYSERR_NOERROR) return false;
    auto step = [up](DWORD channel) -> DWORD {
        const long next = static_cast<long>(channel) + (up ? 0x1999L : -0x1999L);
        return static_cast<DWORD>(next < 0 ? 0 : (next > 0xFFFF ? 0xFFFF : next));
    };
    const DWORD left = step(both & 0xFFFF);
    const DWORD right = step(both >> 16);
    return ::waveOutSetVolume(nullptr, left | (right << 16)) == MMSYSERR_NOERROR;
}

void StepVolume(bool up) {
    if (StepEndpointVolume(up) || StepWaveVolume(up)) return;
    ShowMessage(std::string("Hotrune could not ") + (up ? "raise" : "lower") +
                " the volume: no sound device with a volume control was found.");
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

void Standby() {
    if (!EnableShutdownPrivilege() || !::SetSuspendState(FALSE, FALSE, FALSE)) {
        ShowMessage("Hotrune could not put the computer on standby:\n" +
                    SystemErrorText(::GetLastError()));
    }
}

// ---- screen saver ---------------------------------------------------------------------

// The screen saver the user (or a policy, which wins) has chosen; empty when none is.
std::string ChosenScreenSaver() {
    const char* keys[] = {"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop",
                          "Control Panel\\Desktop"};
    for (const char* key : keys) {
        char chosen[MAX_PATH] = "";
        DWORD size = sizeof chosen;
        if (::RegGetValueA(HKEY_CURRENT_USER, key, "SCRNSAVE.EXE",
                           RRF_RT_REG_SZ, nullptr, chosen,
                           &size) == ERROR_SUCCESS &&
            chosen[0] != '\0')
            return chosen;
    }
    return std::string();
}

void StartScreenSaver(HWND window) {
    // Without a chosen screen saver the system command does nothing at all: say so instead.
    if (ChosenScreenSaver().empty()) {
        ShowMessage("Hotrune could not start the screen saver: no screen saver is chosen.\n"
                    "Choose one in the screen saver settings of the system.");
        return;
    }
    ::DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
}

}  // namespace

void CarryOut(const std::string& target, const std::string& shortcutText, HWND window,
              Launcher& launcher) {
    const std::optional<Function> function = keymap::FunctionOf(target);
    if (function && StartApplication(*function, shortcutText, launcher)) return;

    struct Action {
        Function function;
        bool seamed;   // recorded instead of performed under the test seam
        void (*run)(HWND);
    };
    static const Action functions[] = {
        {Function::EjectCdTray, true, [](HWND) { MoveCdTray(true); }},
        {Function::CloseCdTray, true, [](HWND) { MoveCdTray(false); }},
        {Function::IncreaseVolume, true, [](HWND) { StepVolume(true); }},
        {Function::DecreaseVolume, true, [](HWND) { StepVolume(false); }},
        {Function::StartScreenSaver, false, [](HWND w) { StartScreenSaver(w); }},
        {Function::Standby, true, [](HWND) { Standby(); }},
        {Function::PowerOff, true, [](HWND) { EndSession(EWX_POWEROFF, "power off the computer"); }},
        {Function::Shutdown, true, [](HWND) { EndSession(EWX_SHUTDOWN, "shut down the computer"); }},
        {Function::Reboot, true, [](HWND) { EndSession(EWX_REBOOT, "restart the computer"); }},
        {Function::LogOff, true, [](HWND) { EndSession(EWX_LOGOFF, "log off"); }},
    };
    for (const Action& f : functions) {
        if (!function || *function != f.function) continue;
        if (f.seamed && RecordedInsteadOfPerformed(keymap::TokenOf(f.function))) return;
        f.run(window);
        return;
    }

    std::string error;
    if (!launcher.Start(target, error)) {
        ShowMessage("Hotrune could not start \"" + target + "\" for " + shortcutText + ":\n" +
                    error);
    }
}

}  // namespace hotrune
