// The service in this process, on its real window, with the real registry (a scratch
// HKEY_CURRENT_USER), real hotkeys, real processes and real message boxes. Where Wine cannot
// produce a condition of Windows (elevation, WOW64, no sleep state, keys still down, an audio
// endpoint that fails), the one system call concerned is replaced through hotrune::System().
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "common/message_boxes.h"
#include "common/process.h"
#include "common/scratch_hkcu.h"
#include "hotrune/actions.h"
#include "hotrune/bindings.h"
#include "hotrune/launch.h"
#include "hotrune/notify.h"
#include "hotrune/service.h"
#include "hotrune/startup.h"
#include "hotrune/system.h"
#include "keymap/service.h"

namespace {

using runetest::FileExists;
using runetest::ReadFileText;
using runetest::TempPath;

constexpr UINT kCtrlAltShift = MOD_CONTROL | MOD_ALT | MOD_SHIFT;

// ---- fixtures -------------------------------------------------------------------------

// A temporary folder, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const char* prefix) : path_(TempPath(prefix)) {
        ::CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        std::string from = path_ + std::string(1, '\0');
        SHFILEOPSTRUCTA op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        ::SHFileOperationA(&op);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    // Makes the sub-folders of `relative` and returns the full path.
    std::string Folder(const std::string& relative) const {
        std::string full = path_;
        size_t start = 0;
        while (start <= relative.size()) {
            const size_t slash = relative.find('\\', start);
            full += "\\" + relative.substr(start, slash - start);
            ::CreateDirectoryA(full.c_str(), nullptr);
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        return full;
    }
    // A copy of rune_fire.exe at `relative` (folders made as needed); its full path.
    std::string Fire(const std::string& relative) const {
        const size_t slash = relative.rfind('\\');
        if (slash != std::string::npos) Folder(relative.substr(0, slash));
        const std::string full = path_ + "\\" + relative;
        ::CopyFileA(runetest::SiblingExe("rune_fire.exe").c_str(), full.c_str(), FALSE);
        return full;
    }
    std::string File(const std::string& relative) const {
        const std::string full = path_ + "\\" + relative;
        HANDLE h = ::CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        return full;
    }

private:
    std::string path_;
};

// Sets an environment variable of this process (inherited by what the service starts) and
// puts the old value back.
class EnvVar {
public:
    EnvVar(const char* name, const std::string& value) : name_(name) {
        char old[4096];
        const DWORD n = ::GetEnvironmentVariableA(name, old, sizeof old);
        had_ = n > 0 && n < sizeof old;
        if (had_) old_ = old;
        ::SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
    }
    ~EnvVar() { ::SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

// Puts the real system calls back after each test.
class SystemRestore {
public:
    ~SystemRestore() { hotrune::System() = hotrune::RealSystem(); }
};

// The lines a file holds now, without line ends.
std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ReadFileText(path), line;
    for (char c : text) {
        if (c == '\r') continue;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}


// ---- message boxes of this process ----------------------------------------------------

// The service's boxes, through the shared helpers.
std::vector<HWND> OpenBoxes() { return runetest::OwnBoxes(hotrune::kMessageCaption); }
std::string TakeBox(DWORD timeoutMs = 5000) { return runetest::TakeBox(hotrune::kMessageCaption, timeoutMs); }
void CloseAllBoxes() { runetest::CloseAllBoxes(hotrune::kMessageCaption); }
using runetest::BoxText;
using runetest::CloseBox;
using runetest::WaitUntil;

// ---- the service ------------------------------------------------------------------------

// Around each test: a scratch HKEY_CURRENT_USER, an action log, a fire log, the real system
// calls afterwards and no box left open.
class ServiceTest : public runetest::ScratchHkcuTest {
protected:
    void SetUp() override {
        ScratchHkcuTest::SetUp();
        CloseAllBoxes();
    }
    void TearDown() override { CloseAllBoxes(); }

    std::vector<std::string> Actions() const { return Lines(actionLog_); }
    std::vector<std::string> Fires() const { return Lines(fireLog_); }

    // Starts a service on this thread and pumps it while `script` runs on another thread with
    // its window; quits it when the script is done.
    void Serve(bool filterRepeats, const std::function<void(HWND)>& script) {
        hotrune::Service service(::GetModuleHandleA(nullptr), filterRepeats);
        ASSERT_TRUE(service.Start());
        const HWND window = service.window();
        std::thread driver([&script, window] {
            script(window);
            // Posted after all the script posted: the service has handled every earlier message
        // when Run returns, so a script needs no pause before the checks.
        ::PostMessageA(window, ::RegisterWindowMessageA(keymap::kQuitHotruneMessage), 0, 0);
        });
        EXPECT_EQ(service.Run(), 0);
        driver.join();
    }

    static void PressQueued(HWND window, int id, UINT modifiers, UINT vk) {
        ::PostMessageA(window, WM_HOTKEY, id, MAKELPARAM(modifiers, vk));
    }

    TempFolder temp_{"hrsvc"};
    std::string actionLog_ = temp_.path() + "\\actions.log";
    std::string fireLog_ = temp_.path() + "\\fire.log";
    EnvVar actionVar_{hotrune::kActionLogVariable, actionLog_};
    EnvVar fireVar_{"RUNE_FIRE_LOG", fireLog_};
    SystemRestore restore_;
};

// A press queued before a reload arrives after it with an id that now names another shortcut:
// only the keys it carries decide, so it runs nothing rather than the wrong thing.
TEST_F(ServiceTest, APressQueuedBeforeAReloadNeverRunsAnotherShortcut) {
    ASSERT_TRUE(runetest::FillKeyMappingsRun({"1 1 1 0 65 standby"}));
    Serve(false, [](HWND window) {
        // Binding 1 becomes CTRL+ALT+SHIFT+P (power.off) before the old press of A is handled.
        runetest::FillKeyMappingsRun({"1 1 1 0 80 power.off"});
        ::PostMessageA(window, ::RegisterWindowMessageA(keymap::kReloadMappingsMessage), 0, 0);
        PressQueued(window, 1, kCtrlAltShift, 'A');
        // An id that matches nothing at all, and a press with the right keys.
        PressQueued(window, 7, kCtrlAltShift, 'P');
        PressQueued(window, 1, kCtrlAltShift | MOD_NOREPEAT, 'P');
    });
    EXPECT_EQ(Actions(), std::vector<std::string>({"power.off"}));
}

// Where the system drops auto-repeats itself every press fires; where it does not, a press
// is dropped only while the key has stayed down since it fired.
TEST_F(ServiceTest, ASecondPressFiresUnlessItIsARepeatOfAKeyStillDown) {
    static std::atomic<bool> keyDown{false};
    const struct {
        bool filterRepeats;
        bool keyStillDown;
        size_t fired;
    } cases[] = {{false, true, 2}, {true, false, 2}, {true, true, 1}};
    ASSERT_TRUE(runetest::FillKeyMappingsRun({"1 1 1 0 66 standby"}));
    for (const auto& c : cases) {
        ::DeleteFileA(actionLog_.c_str());
        keyDown = c.keyStillDown;
        hotrune::System().keyDown = [](int vk) { return vk == 'B' && keyDown.load(); };
        Serve(c.filterRepeats, [](HWND window) {
            PressQueued(window, 1, kCtrlAltShift, 'B');
            PressQueued(window, 1, kCtrlAltShift, 'B');
        });
        EXPECT_EQ(Actions().size(), c.fired)
            << "filter " << c.filterRepeats << ", key still down " << c.keyStillDown;
    }
}

// A screen saver chosen in the (scratch) user's settings, switched on ("1") or off ("0").
bool ChooseScreenSaver(const char* active) {
    HKEY desktop = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                          KEY_ALL_ACCESS, nullptr, &desktop, nullptr) != ERROR_SUCCESS)
        return false;
    runetest::SetString(desktop, "SCRNSAVE.EXE", "C:\\windows\\system32\\rune.scr");
    runetest::SetString(desktop, "ScreenSaveActive", active);
    ::RegCloseKey(desktop);
    return true;
}

// What the service sends itself, seen by a hook on its thread.
std::atomic<int> g_sysCommands{0};
std::atomic<WPARAM> g_lastSysCommand{0};
LRESULT CALLBACK WatchSysCommand(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && msg->message == WM_SYSCOMMAND &&
        (msg->wParam == SC_SCREENSAVE || msg->wParam == SC_MONITORPOWER)) {
        g_lastSysCommand = msg->wParam;
        ++g_sysCommands;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// The screen saver, and the display going off for modern standby, wait until the shortcut's
// keys are let go: letting go of them afterwards would end it again at once.
TEST_F(ServiceTest, ScreenSaverAndModernStandbyWaitUntilTheKeysAreUp) {
    static std::atomic<bool> keysDown{true};
    static std::atomic<int> keyQueries{0};
    hotrune::System().keyDown = [](int vk) {
        ++keyQueries;
        return keysDown.load() && (vk == 'S' || vk == VK_CONTROL || vk == VK_MENU);
    };
    hotrune::System().standbyKind = [] { return hotrune::StandbyKind::DisplayOff; };
    EnvVar noLog(hotrune::kActionLogVariable, "");
    ASSERT_TRUE(ChooseScreenSaver("1"));
    ASSERT_TRUE(runetest::FillKeyMappingsRun({"1 1 0 0 83 start.screensaver", "1 1 0 0 89 standby"}));

    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, WatchSysCommand, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    for (const auto& press : {std::make_pair('S', WPARAM(SC_SCREENSAVE)),
                              std::make_pair('Y', WPARAM(SC_MONITORPOWER))}) {
        g_sysCommands = 0;
        keysDown = true;
        int whileDown = -1;
        Serve(false, [&](HWND window) {
            const int asked = keyQueries;
            PressQueued(window, press.first == 'S' ? 1 : 2, MOD_CONTROL | MOD_ALT, press.first);
            // The service has looked at the keys several times and found them down.
            WaitUntil([asked] { return keyQueries >= asked + 6; }, 5000);
            whileDown = g_sysCommands;
            keysDown = false;
            WaitUntil([] { return g_sysCommands > 0; }, 3000);
        });
        EXPECT_EQ(whileDown, 0) << press.first << ": started while the keys were down";
        EXPECT_EQ(g_sysCommands, 1) << press.first;
        EXPECT_EQ(g_lastSysCommand, press.second) << press.first;
    }
    // A key-up the service never sees does not leave the screen saver pending for ever.
    g_sysCommands = 0;
    keysDown = true;
    Serve(false, [](HWND window) {
        PressQueued(window, 1, MOD_CONTROL | MOD_ALT, 'S');
        WaitUntil([] { return g_sysCommands > 0; }, hotrune::kReleaseWaitMs + 5000);
    });
    EXPECT_EQ(g_sysCommands, 1) << "never started while the keys read as down";
    keysDown = false;
    ::UnhookWindowsHookEx(hook);
}

// The functions that cannot do what they say tell the user so, instead of an error box with a
// system code (standby without a sleep state), a silent nothing (a screen saver switched
// off) or a success that changed only our own volume.
TEST_F(ServiceTest, FunctionsThatCannotWorkHereSaySo) {
    EnvVar noLog(hotrune::kActionLogVariable, "");
    hotrune::System().standbyKind = [] { return hotrune::StandbyKind::Unavailable; };
    hotrune::System().stepEndpointVolume = [](bool) { return false; };
    ASSERT_TRUE(ChooseScreenSaver("0"));
    ASSERT_TRUE(runetest::FillKeyMappingsRun(
        {"1 1 0 0 89 standby", "1 1 0 0 83 start.screensaver", "1 1 0 0 85 increase.volume"}));
    DWORD waveBefore = 0;
    const bool haveWave = ::waveOutGetVolume(nullptr, &waveBefore) == MMSYSERR_NOERROR;

    const struct {
        int id;
        UINT vk;
        const char* says;
    } cases[] = {{1, 'Y', "offers no standby (sleep) state"},
                 {2, 'S', "the screen saver is switched off"},
                 {3, 'U', "could not raise the volume: the sound device's volume control could not be reached"}};
    for (const auto& c : cases) {
        std::string text;
        Serve(false, [&](HWND window) {
            PressQueued(window, c.id, MOD_CONTROL | MOD_ALT, c.vk);
            text = TakeBox();
        });
        EXPECT_NE(text.find(c.says), std::string::npos) << text;
    }
    DWORD waveAfter = 0;
    if (haveWave && ::waveOutGetVolume(nullptr, &waveAfter) == MMSYSERR_NOERROR) {
        EXPECT_EQ(waveAfter, waveBefore) << "the session's own volume was changed instead";
    }
}

// Stand-ins for the system calls (real functions: on i686 a lambda is no WINAPI function).
std::atomic<bool> g_releaseStart{false};
std::atomic<bool> g_startEntered{false};
BOOL WINAPI CreateProcessOnceReleased(LPCSTR app, LPSTR cmd, LPSECURITY_ATTRIBUTES pa,
                                      LPSECURITY_ATTRIBUTES ta, BOOL inherit, DWORD flags,
                                      LPVOID env, LPCSTR dir, LPSTARTUPINFOA si,
                                      LPPROCESS_INFORMATION pi) {
    g_startEntered = true;
    WaitUntil([] { return g_releaseStart.load(); }, 10000);
    return ::CreateProcessA(app, cmd, pa, ta, inherit, flags, env, dir, si, pi);
}
BOOL WINAPI CreateProcessNeedsElevation(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES,
                                        LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                                        LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    ::SetLastError(740);  // ERROR_ELEVATION_REQUIRED
    return FALSE;
}
BOOL WINAPI ShellExecuteRefused(SHELLEXECUTEINFOA*) {
    ::SetLastError(ERROR_CANCELLED);  // the user said No to the consent prompt
    return FALSE;
}

// A start that hangs (a slow network path, a document's handler) holds up only the
// launcher's thread: the service still answers a reload within the broadcast's time limit and
// carries out other shortcuts meanwhile.
TEST_F(ServiceTest, AStartThatHangsBlocksNeitherShortcutsNorReloads) {
    g_releaseStart = false;
    g_startEntered = false;
    hotrune::System().createProcess = CreateProcessOnceReleased;
    const std::string fire = temp_.Fire("slow\\fire_slow.exe");
    ASSERT_TRUE(runetest::FillKeyMappingsRun({"1 1 1 0 65 " + fire, "1 1 1 0 66 standby"}));
    bool reloadAnswered = false;
    bool otherFired = false;
    Serve(false, [&](HWND window) {
        PressQueued(window, 1, kCtrlAltShift, 'A');
        WaitUntil([] { return g_startEntered.load(); }, 5000);
        DWORD_PTR result = 0;
        reloadAnswered = ::SendMessageTimeoutA(
                             window, ::RegisterWindowMessageA(keymap::kReloadMappingsMessage), 0,
                             0, SMTO_ABORTIFHUNG, keymap::kBroadcastTimeoutMs, &result) != 0;
        PressQueued(window, 2, kCtrlAltShift, 'B');
        otherFired = WaitUntil([this] { return !Actions().empty(); }, 1500);
        g_releaseStart = true;
        WaitUntil([this] { return !Fires().empty(); }, 10000);
    });
    EXPECT_TRUE(reloadAnswered);
    EXPECT_TRUE(otherFired);
    EXPECT_EQ(Fires().size(), 1u) << "the slow start still happens";
}

// Only the first 100 records are used, as Runeset shows; the user is told. The store is only
// read: a service started before any shortcut was saved creates nothing.
TEST_F(ServiceTest, UsesTheFirstHundredRecordsAndNeverWritesTheStore) {
    Serve(false, [](HWND) {});
    EXPECT_FALSE(runetest::KeyExists(HKEY_CURRENT_USER, "Software\\Quillmarsh"));
    EXPECT_EQ(TakeBox(500), "");

    std::vector<std::string> records(hotrune::kMaxShortcuts, "1 1 1 0 89 standby");
    records.push_back("1 1 1 0 90 power.off");  // the 101st
    ASSERT_TRUE(runetest::FillKeyMappingsRun(records));
    std::string text;
    Serve(false, [&](HWND window) {
        text = TakeBox();
        PressQueued(window, 2, kCtrlAltShift, 'Z');
        PressQueued(window, 1, kCtrlAltShift, 'Z');
    });
    EXPECT_NE(text.find("Only the first 100 shortcuts are used"), std::string::npos) << text;
    EXPECT_TRUE(Actions().empty());
    // Every one of the 100 records of the one shortcut ran.
    ::DeleteFileA(actionLog_.c_str());
    Serve(false, [](HWND window) {
        TakeBox();
        PressQueued(window, 1, kCtrlAltShift, 'Y');
    });
    EXPECT_EQ(Actions().size(), static_cast<size_t>(hotrune::kMaxShortcuts));
}

// ---- starting programs ------------------------------------------------------------------

// Each case starts through CarryOut on a real launcher and checks what rune_fire.exe wrote:
// "<its file name> <its working folder>".
class LaunchTest : public ServiceTest {
protected:
    // Carries out `target` and waits for a fire line or a message box; returns the box text.
    std::string Run(const std::string& target, size_t fires = 1) {
        hotrune::Launcher launcher;
        const hotrune::ActionContext context{nullptr, launcher, [](std::function<void()> a) { a(); }};
        hotrune::CarryOut(target, "CTRL+ALT+F", context);
        std::string box;
        WaitUntil([&] {
            if (Fires().size() >= fires) return true;
            if (!OpenBoxes().empty()) box = TakeBox(100);
            return !box.empty();
        }, 10000);
        return box;
    }
};

// A program whose manifest asks for administrator rights fails CreateProcess with 740; it is
// started through the shell, which shows the consent prompt, in the same folder. A refused
// prompt is told as such.
TEST_F(LaunchTest, AProgramThatNeedsElevationGoesThroughTheShell) {
    hotrune::System().createProcess = CreateProcessNeedsElevation;
    const std::string fire = temp_.Fire("admin\\fire_admin.exe");
    EXPECT_EQ(Run(fire), "");
    EXPECT_EQ(Fires(), std::vector<std::string>({"fire_admin.exe " + temp_.path() + "\\admin"}));

    hotrune::System().shellExecuteEx = ShellExecuteRefused;
    const std::string box = Run(fire, 2);
    EXPECT_NE(box.find("needs administrator rights, and they were not given"), std::string::npos) << box;
}

// The long form of a stored short path is started (programs key their settings on their own
// path), in its long folder; a relative path is refused rather than resolved against
// whatever folder the service is in.
TEST_F(LaunchTest, StartsTheLongPathAndRefusesARelativeOne) {
    const std::string fire = temp_.Fire("A Folder With A Long Name\\fire_with_long_name.exe");
    char shortPath[MAX_PATH] = "";
    ASSERT_NE(::GetShortPathNameA(fire.c_str(), shortPath, sizeof shortPath), 0u);
    ASSERT_EQ(std::string(shortPath).find(' '), std::string::npos) << shortPath;
    EXPECT_EQ(Run(shortPath), "");
    EXPECT_EQ(Fires(), std::vector<std::string>(
                           {"fire_with_long_name.exe " + temp_.path() + "\\A Folder With A Long Name"}));

    ::DeleteFileA(fireLog_.c_str());
    temp_.Fire("fire_rel.exe");
    char cwd[MAX_PATH];
    ::GetCurrentDirectoryA(sizeof cwd, cwd);
    ::SetCurrentDirectoryA(temp_.path().c_str());
    for (const char* relative : {"fire_rel.exe", ".\\fire_rel.exe", "\\fire_rel.exe"}) {
        const std::string box = Run(relative);
        EXPECT_NE(box.find("it is not a full path"), std::string::npos) << relative << ": " << box;
    }
    ::SetCurrentDirectoryA(cwd);
    EXPECT_TRUE(Fires().empty());
}

// Paint on Windows 11 is a packaged app: found as the Run dialog finds it, through the user's
// app-execution alias, and started in the user's profile folder like every catalogue
// application.
TEST_F(LaunchTest, PaintIsFoundThroughItsAliasAndStartsInTheProfileFolder) {
    const hotrune::SystemFolders folders = hotrune::CurrentSystemFolders();
    if (FileExists(folders.system + "\\mspaint.exe")) GTEST_SKIP() << "this prefix has Paint";
    const std::string local = temp_.Folder("Local");
    const std::string profile = temp_.Folder("Profile");
    EnvVar localVar("LOCALAPPDATA", local);
    EnvVar profileVar("USERPROFILE", profile);
    const std::string box = Run("mspaint");
    EXPECT_NE(box.find("mspaint.exe was not found"), std::string::npos) << box;

    temp_.Fire("Local\\Microsoft\\WindowsApps\\mspaint.exe");
    EXPECT_EQ(Run("mspaint"), "");
    EXPECT_EQ(Fires(), std::vector<std::string>({"mspaint.exe " + profile}));
}

// A 32-bit service on 64-bit Windows starts the native system programs through Sysnative;
// without WOW64, and for paths outside the system folder, nothing changes.
TEST(HotruneSystemPrograms, NativeCopiesUnderWow64) {
    TempFolder windows("hrwin");
    windows.Folder("System32");
    windows.Folder("Sysnative");
    for (const char* file : {"System32\\cmd.exe", "Sysnative\\cmd.exe", "System32\\notepad.exe",
                             "Sysnative\\notepad.exe"})
        windows.File(file);
    const std::string win = windows.path();
    EnvVar comspec("ComSpec", win + "\\System32\\cmd.exe");
    const hotrune::SystemFolders wow64{win + "\\System32", win, true};
    const hotrune::SystemFolders native{win + "\\System32", win, false};

    EXPECT_EQ(hotrune::FindApplication("command", wow64), win + "\\Sysnative\\cmd.exe");
    EXPECT_EQ(hotrune::FindApplication("notepad", wow64), win + "\\Sysnative\\notepad.exe");
    EXPECT_EQ(hotrune::FindApplication("command", native), win + "\\System32\\cmd.exe");
    EXPECT_EQ(hotrune::FindApplication("notepad", native), win + "\\System32\\notepad.exe");
    EXPECT_EQ(hotrune::FindApplication("C:\\tools\\x.exe", wow64), "");

    const struct {
        std::string path;
        std::string expected;
    } paths[] = {
        {win + "\\system32\\cmd.exe", win + "\\Sysnative\\cmd.exe"},  // any case
        {win + "\\System32", win + "\\Sysnative"},
        {win + "\\System32x\\tool.exe", win + "\\System32x\\tool.exe"},
        {"D:\\Tools\\tool.exe", "D:\\Tools\\tool.exe"},
        {"", ""},
    };
    for (const auto& p : paths) EXPECT_EQ(hotrune::NativeSystemPath(p.path, wow64), p.expected) << p.path;
    EXPECT_EQ(hotrune::NativeSystemPath(win + "\\System32\\cmd.exe", native), win + "\\System32\\cmd.exe");
}

// ---- messages ---------------------------------------------------------------------------

// Hammering a failing shortcut cannot fill the screen with boxes; a damaged record is quoted
// short enough to read.
TEST_F(ServiceTest, MessagesStayFewAndReadable) {
    for (int i = 0; i < 20; ++i) hotrune::ShowMessage("Failure number " + std::to_string(i));
    WaitUntil([] { return OpenBoxes().size() >= hotrune::kMaxOpenMessages; }, 5000);
    EXPECT_LE(OpenBoxes().size(), hotrune::kMaxOpenMessages);
    EXPECT_GE(OpenBoxes().size(), 1u);
    CloseAllBoxes();

    hotrune::StoredRecord damaged;
    damaged.index = 4;
    damaged.text = std::string(5000, 'x') + "\r\nmore";
    const hotrune::BindingPlan plan = hotrune::PlanBindings({damaged});
    ASSERT_EQ(plan.problems.size(), 1u);
    EXPECT_LT(plan.problems[0].size(), 200u) << plan.problems[0];
    EXPECT_NE(plan.problems[0].find("xxx...\""), std::string::npos) << plan.problems[0];
    EXPECT_EQ(hotrune::Abbreviated("a\tb\nc"), "a b c");
}

// ---- start-up ----------------------------------------------------------------------------

// A DLL left in the current folder is loaded by a bare name before hardening, never after.
TEST(HotruneStartup, HardeningKeepsDllsOfTheCurrentFolderOut) {
    TempFolder folder("hrdll");
    const std::string plant = runetest::ExeDir() + "..\\plant\\rune_plant.dll";
    ASSERT_TRUE(::CopyFileA(plant.c_str(), (folder.path() + "\\rune_plant.dll").c_str(), FALSE))
        << plant;
    const struct {
        const char* mode;
        DWORD status;  // 0: the DLL was loaded, 1: it was not
    } cases[] = {{"plain", 0}, {"hardened", 1}};
    for (const auto& c : cases) {
        runetest::Process check("\"" + runetest::SiblingExe("rune_dllcheck.exe") + "\" \"" +
                                folder.path() + "\" " + c.mode);
        ASSERT_TRUE(check.started());
        DWORD status = 99;
        ASSERT_TRUE(check.Wait(20000, &status)) << c.mode;
        EXPECT_EQ(status, c.status) << c.mode;
    }
}

TEST(HotruneStartup, RefusesToRunElevatedOverALimitedUser) {
    SystemRestore restore;
    hotrune::System().elevatedSplitToken = [] { return true; };
    EXPECT_NE(hotrune::ElevationRefusal().find("administrator rights"), std::string::npos);
    hotrune::System().elevatedSplitToken = [] { return false; };
    EXPECT_EQ(hotrune::ElevationRefusal(), "");
}

// The single instance: a running instance (its window up) wins at once; one that is ending
// hands over instead of leaving the user with none; a mutex we may not open is a running one.
TEST(HotruneStartup, OneInstanceWithoutLosingAStartDuringAQuit) {
    const std::string name = runetest::UniqueName("Local\\rune-instance");
    {
        // The old instance (its own thread: a mutex belongs to the thread that took it) has
        // closed its window and ends 300 ms after the new start: the new one takes over.
        HANDLE claimed = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::thread ending([&name, claimed] {
            hotrune::UniqueHandle first;
            EXPECT_EQ(hotrune::ClaimInstance(name.c_str(), 0, first), hotrune::InstanceClaim::First);
            ::SetEvent(claimed);
            ::Sleep(300);
        });
        ::WaitForSingleObject(claimed, 5000);
        ::CloseHandle(claimed);
        hotrune::UniqueHandle second;
        EXPECT_EQ(hotrune::ClaimInstance(name.c_str(), 5000, second), hotrune::InstanceClaim::First);
        ending.join();
    }
    {
        // Owned by a running instance whose window is up: the new start ends at once.
        hotrune::UniqueHandle first;
        ASSERT_EQ(hotrune::ClaimInstance(name.c_str(), 0, first), hotrune::InstanceClaim::First);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = hotrune::kWindowClass;
        ::RegisterClassA(&wc);  // or the service's, from an earlier test
        const HWND window = ::CreateWindowA(hotrune::kWindowClass, "", 0, 0, 0, 0, 0, nullptr,
                                            nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        hotrune::InstanceClaim claim = hotrune::InstanceClaim::First;
        ULONGLONG took = 0;
        std::thread other([&] {
            hotrune::UniqueHandle guard;
            const ULONGLONG start = runetest::NowMs();
            claim = hotrune::ClaimInstance(name.c_str(), 60000, guard);
            took = runetest::NowMs() - start;
        });
        other.join();
        ::DestroyWindow(window);
        EXPECT_EQ(claim, hotrune::InstanceClaim::AlreadyRunning);
        EXPECT_LT(took, 30000u) << "it waited for a running instance to end";
    }
    {
        // Made with no access for anyone: opening it is denied.
        const std::string locked = runetest::UniqueName("Local\\rune-locked");
        SECURITY_DESCRIPTOR sd;
        ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        ACL acl;
        ::InitializeAcl(&acl, sizeof acl, ACL_REVISION);
        ::SetSecurityDescriptorDacl(&sd, TRUE, &acl, FALSE);
        SECURITY_ATTRIBUTES sa = {sizeof sa, &sd, FALSE};
        hotrune::UniqueHandle other(::CreateMutexA(&sa, TRUE, locked.c_str()));
        ASSERT_TRUE(other);
        HANDLE probe = ::OpenMutexA(SYNCHRONIZE, FALSE, locked.c_str());
        if (probe) {
            ::CloseHandle(probe);
            GTEST_SKIP() << "this system does not enforce the mutex's access list";
        }
        hotrune::UniqueHandle guard;
        EXPECT_EQ(hotrune::ClaimInstance(locked.c_str(), 0, guard), hotrune::InstanceClaim::AlreadyRunning);
    }
}

}  // namespace
