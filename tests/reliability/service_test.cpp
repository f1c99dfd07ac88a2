// The service under the campaign, in this process on its real window, with the real registry (a
// scratch HKEY_CURRENT_USER), real hotkeys, a second process writing the store, and the real
// hotrune.exe for quitting under load.
//
// Every shortcut here is CTRL+ALT+SHIFT plus a letter whose function (under the action-log seam
// a line in a file, not the deed) belongs to that letter alone: a line of the log names the key
// that fired it, so a press that ran another shortcut's target shows at once.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/process.h"
#include "common/registry_faults.h"
#include "common/scratch_hkcu.h"
#include "hotrune/actions.h"
#include "hotrune/bindings.h"
#include "hotrune/notify.h"
#include "hotrune/service.h"
#include "hotrune/system.h"
#include "keymap/service.h"
#include "keymap/store.h"
#include "reliability.h"

namespace {

using reliability::Counts;
using reliability::Figure;
using runetest::NowMs;

constexpr UINT kMods = MOD_CONTROL | MOD_ALT | MOD_SHIFT;

// Letter 'A' + i fires kTokens[i]: functions the seam records at once (none waits for the keys).
const char* const kTokens[] = {"eject.cd.tray",   "close.cd.tray", "increase.volume",
                               "decrease.volume", "power.off",     "shutdown",
                               "reboot",          "log.off",       "standby"};
constexpr int kCombos = static_cast<int>(sizeof kTokens / sizeof kTokens[0]);

std::string Record(int combo) {
    return "1 1 1 0 " + std::to_string('A' + combo) + " " + kTokens[combo];
}
std::vector<std::string> Records(const std::vector<int>& combos) {
    std::vector<std::string> texts;
    for (int c : combos) texts.push_back(Record(c));
    return texts;
}
// The combination (0 .. kCombos-1) of a record text this file wrote; -1 for any other text.
int ComboOf(const std::string& text) {
    for (int c = 0; c < kCombos; ++c)
        if (text == Record(c)) return c;
    return -1;
}

UINT ReloadMessage() { return ::RegisterWindowMessageA(keymap::kReloadMappingsMessage); }
UINT QuitMessage() { return ::RegisterWindowMessageA(keymap::kQuitHotruneMessage); }

// What the store holds now, read past the store code: the run of texts.
std::vector<std::string> StoredTexts() { return reliability::RunTexts(reliability::Snapshot()); }

// The hotkey id the service gives combination `combo` for `texts` (bindings in the order of each
// combination's first record, ids from 1); 0 when the store has none.
int IdOf(const std::vector<std::string>& texts, int combo) {
    std::vector<int> order;
    for (const std::string& t : texts) {
        const int c = ComboOf(t);
        if (std::find(order.begin(), order.end(), c) == order.end()) order.push_back(c);
        if (c == combo) return static_cast<int>(order.size());
    }
    return 0;
}
int CountOf(const std::vector<std::string>& texts, int combo) {
    return static_cast<int>(std::count(texts.begin(), texts.end(), Record(combo)));
}

// Whether any window holds `mods`+`vk`: this thread cannot take it then.
bool Held(UINT mods, UINT vk) {
    constexpr int kProbeId = 0xBF00;
    if (::RegisterHotKey(nullptr, kProbeId, mods, vk)) {
        ::UnregisterHotKey(nullptr, kProbeId);
        return false;
    }
    return true;
}
std::set<int> HeldCombos() {
    std::set<int> held;
    for (int c = 0; c < kCombos; ++c)
        if (Held(kMods, 'A' + c)) held.insert(c);
    return held;
}
std::set<int> DistinctCombos(const std::vector<std::string>& texts) {
    std::set<int> combos;
    for (const std::string& t : texts)
        if (ComboOf(t) >= 0) combos.insert(ComboOf(t));
    return combos;
}

// ---- message boxes of this process --------------------------------------------------------------

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM param) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = "", title[128] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    ::GetWindowTextA(hwnd, title, sizeof title);
    if (pid == ::GetCurrentProcessId() && std::string(cls) == "#32770" &&
        std::string(title) == hotrune::kMessageCaption && ::IsWindowVisible(hwnd))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}
std::vector<HWND> OpenBoxes() {
    std::vector<HWND> boxes;
    ::EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}
BOOL CALLBACK AppendStatic(HWND child, LPARAM param) {
    char cls[64] = "";
    ::GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0) {
        char text[8192] = "";
        ::GetWindowTextA(child, text, sizeof text);
        *reinterpret_cast<std::string*>(param) += text;
    }
    return TRUE;
}
std::string BoxText(HWND box) {
    std::string text;
    ::EnumChildWindows(box, AppendStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = NowMs() + timeoutMs;
    do {
        if (done()) return true;
        ::Sleep(10);
    } while (NowMs() < end);
    return done();
}
void CloseBox(HWND box) {
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([box] { return !::IsWindow(box); }, 3000);
}
void CloseAllBoxes() {
    for (HWND box : OpenBoxes()) CloseBox(box);
}
// Waits for a box (it comes from a thread of its own), returns its text and closes it.
std::string TakeBox(DWORD timeoutMs = 5000) {
    std::string text;
    WaitUntil([&text] {
        std::vector<HWND> boxes = OpenBoxes();
        if (boxes.empty()) return false;
        text = BoxText(boxes[0]);
        CloseBox(boxes[0]);
        return true;
    }, timeoutMs);
    return text;
}

// ---- the barrier --------------------------------------------------------------------------------

// A marker posted behind everything else: once the service's thread takes it from its queue,
// every message posted before it has been handled. Seen by a hook on that thread (the service
// itself passes the unknown message on unchanged).
const UINT kMarker = WM_APP + 0x15;
HANDLE g_markerSeen = nullptr;
std::atomic<WPARAM> g_markerWanted{0};
LRESULT CALLBACK WatchMarker(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == kMarker &&
        msg->wParam == g_markerWanted.load())
        ::SetEvent(g_markerSeen);
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
bool Drain(HWND window) {
    static std::atomic<WPARAM> next{1};
    const WPARAM mark = next++;
    g_markerWanted = mark;
    ::ResetEvent(g_markerSeen);
    if (!::PostMessageA(window, kMarker, mark, 0)) return false;
    return ::WaitForSingleObject(g_markerSeen, 30000) == WAIT_OBJECT_0;
}
// A burst of reload broadcasts, as several Runeset windows and installers would send them.
void ReloadBurst(int n) {
    for (int i = 0; i < n; ++i) ::PostMessageA(HWND_BROADCAST, ReloadMessage(), 0, 0);
}

// ---- the fixture --------------------------------------------------------------------------------

class ServiceCampaign : public runetest::ScratchHkcuTest {
protected:
    void SetUp() override {
        ScratchHkcuTest::SetUp();
        CloseAllBoxes();
        ::DeleteFileA(actionLog_.c_str());
        ::SetEnvironmentVariableA(hotrune::kActionLogVariable, actionLog_.c_str());
        ::SetEnvironmentVariableA("RUNE_FIRE_LOG", fireLog_.c_str());
        g_markerSeen = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    void TearDown() override {
        CloseAllBoxes();
        ::SetEnvironmentVariableA(hotrune::kActionLogVariable, nullptr);
        ::SetEnvironmentVariableA("RUNE_FIRE_LOG", nullptr);
        hotrune::System() = hotrune::RealSystem();
        ::CloseHandle(g_markerSeen);
        ::DeleteFileA(actionLog_.c_str());
        ::DeleteFileA(fireLog_.c_str());
    }

    // Runs a service on this thread while `script` drives it from another; quits it afterwards.
    void Serve(const std::function<void(HWND)>& script) {
        hotrune::Service service(::GetModuleHandleA(nullptr), false);
        ASSERT_TRUE(service.Start());
        const HWND window = service.window();
        HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, WatchMarker, nullptr, ::GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
        std::thread driver([&script, window] {
            script(window);
            ::PostMessageA(window, QuitMessage(), 0, 0);
        });
        EXPECT_EQ(service.Run(), 0);
        driver.join();
        ::UnhookWindowsHookEx(hook);
    }

    // The action-log lines written since the last call.
    std::vector<std::string> NewActions() {
        const std::string text = runetest::ReadFileText(actionLog_);
        std::vector<std::string> lines;
        std::string line;
        for (size_t i = std::min(logRead_, text.size()); i < text.size(); ++i) {
            if (text[i] == '\r') continue;
            if (text[i] == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += text[i];
            }
        }
        logRead_ = text.size() - line.size();
        return lines;
    }

    // A press of combination `combo` as the system delivers it, under the id the store gives it
    // now (a store that changed since the last reload makes it stale: the service must then run
    // nothing rather than another shortcut). Sent, so that it is handled when this returns, and
    // its log lines are exactly those written since.
    std::vector<std::string> Press(HWND window, int combo, const std::vector<std::string>& texts) {
        const int id = std::max(IdOf(texts, combo), 1);
        NewActions();
        ::SendMessageA(window, WM_HOTKEY, id, MAKELPARAM(kMods, 'A' + combo));
        return NewActions();
    }

    // With the store settled and the service reloaded: it holds exactly the store's distinct
    // combinations, and a press of each of the nine fires its records' targets exactly (none
    // for one the store does not hold). Violations, each explained in `why`.
    int CheckSettled(HWND window, std::string& why) {
        const std::vector<std::string> texts = StoredTexts();
        int bad = 0;
        const std::set<int> want = DistinctCombos(texts), held = HeldCombos();
        if (held != want) {
            ++bad;
            why += " held set differs from the store;";
        }
        for (int c = 0; c < kCombos; ++c) {
            const std::vector<std::string> fired = Press(window, c, texts);
            const std::vector<std::string> expected(static_cast<size_t>(CountOf(texts, c)), kTokens[c]);
            if (fired != expected) {
                ++bad;
                why += std::string(" ") + char('A' + c) + " fired " + std::to_string(fired.size()) +
                       " lines, the store holds " + std::to_string(expected.size()) + ";";
            }
        }
        return bad;
    }

    std::string actionLog_ = runetest::TempPath("hrcact");
    std::string fireLog_ = runetest::TempPath("hrcfire");
    size_t logRead_ = 0;
};

// ---- hammered keys ----------------------------------------------------------------------------------

std::atomic<int> g_starts{0};
BOOL WINAPI SlowCreateProcess(LPCSTR app, LPSTR cmd, LPSECURITY_ATTRIBUTES pa, LPSECURITY_ATTRIBUTES ta,
                              BOOL inherit, DWORD flags, LPVOID env, LPCSTR dir, LPSTARTUPINFOA si,
                              LPPROCESS_INFORMATION pi) {
    ::Sleep(250);  // a program on a slow disk or network share
    ++g_starts;
    return ::CreateProcessA(app, cmd, pa, ta, inherit, flags, env, dir, si, pi);
}

// Children of this process alive now.
int ChildProcesses() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
        n += entry.th32ParentProcessID == ::GetCurrentProcessId();
    ::CloseHandle(snapshot);
    return n;
}

// 500 presses of one shortcut in 10 s whose program starts slowly: every press is started or
// refused (the log names each refusal, the user is told once), the boxes stay one per problem
// and threads and processes stay bounded.
TEST_F(ServiceCampaign, FiveHundredPressesOfASlowStartingShortcut) {
    g_starts = 0;
    hotrune::System().createProcess = SlowCreateProcess;
    const std::string fire = runetest::SiblingExe("rune_fire.exe");
    ASSERT_TRUE(reliability::Replace(reliability::RunOf({"1 1 1 0 72 " + fire})));
    constexpr int kPresses = 500;
    int refused = 0, started = 0, maxBoxes = 0, maxThreads = 0, maxChildren = 0, baseThreads = 0;
    std::string busyText;
    bool accounted = false;
    Serve([&](HWND window) {
        baseThreads = reliability::Measure(0).threads;
        const ULONGLONG begin = NowMs();
        for (int i = 0; i < kPresses; ++i) {
            ::PostMessageA(window, WM_HOTKEY, 1, MAKELPARAM(kMods, 'H'));
            // Genuine presses, 20 ms apart: 500 in ten seconds.
            const ULONGLONG due = begin + static_cast<ULONGLONG>(i + 1) * 20;
            while (NowMs() < due) ::Sleep(1);
            if (i % 25 == 0) {
                maxBoxes = std::max(maxBoxes, static_cast<int>(OpenBoxes().size()));
                maxThreads = std::max(maxThreads, static_cast<int>(reliability::Measure(0).threads));
                maxChildren = std::max(maxChildren, ChildProcesses());
            }
        }
        ASSERT_TRUE(Drain(window));
        // Accepted starts are still running on the launcher: wait until every press is either
        // in the fire log or refused in the action log.
        accounted = WaitUntil([&] {
            const std::string actions = runetest::ReadFileText(actionLog_);
            const std::string refusal = "refused " + fire + "\r\n";
            refused = 0;
            for (size_t at = actions.find(refusal); at != std::string::npos;
                 at = actions.find(refusal, at + refusal.size()))
                ++refused;
            const std::string fires = runetest::ReadFileText(fireLog_);
            started = static_cast<int>(std::count(fires.begin(), fires.end(), '\n'));
            return started + refused == kPresses;
        }, 120000);
        for (HWND box : OpenBoxes()) {
            if (busyText.empty()) busyText = BoxText(box);
        }
        maxBoxes = std::max(maxBoxes, static_cast<int>(OpenBoxes().size()));
    });
    const int bad = !accounted + (maxBoxes > 1) + (maxThreads - baseThreads > 12) + (maxChildren > 4) +
                    (refused > 0 && busyText.find("still waiting for a program to start") == std::string::npos);
    Figure("service", "500 presses of one slowly starting shortcut in 10 s", kPresses, bad,
           std::to_string(started) + " started, " + std::to_string(refused) +
               " refused while the launcher was busy; at most " + std::to_string(maxBoxes) + " box, " +
               std::to_string(maxThreads - baseThreads) + " threads over the idle service, " +
               std::to_string(maxChildren) + " programs at once");
    EXPECT_TRUE(accounted) << started << " started + " << refused << " refused of " << kPresses;
    EXPECT_GT(started, 0);
    EXPECT_LE(maxBoxes, 1);
    EXPECT_LE(maxThreads - baseThreads, 12);
    EXPECT_LE(maxChildren, 4);
    if (refused > 0) {
        EXPECT_NE(busyText.find("still waiting for a program to start"), std::string::npos) << busyText;
    }
}

}  // namespace
