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

#include "common/message_boxes.h"
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

// The service's boxes, through the shared helpers.
std::vector<HWND> OpenBoxes() { return runetest::OwnBoxes(hotrune::kMessageCaption); }
std::string TakeBox(DWORD timeoutMs = 5000) { return runetest::TakeBox(hotrune::kMessageCaption, timeoutMs); }
void CloseAllBoxes() { runetest::CloseAllBoxes(hotrune::kMessageCaption); }
using runetest::BoxText;
using runetest::CloseBox;
using runetest::WaitUntil;

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

// ---- every registry call of a reload failing in turn ------------------------------------------

// A reload whose store cannot be read keeps every hotkey the service had and tells the user once;
// the next good reload brings exactly the store's shortcuts (one dropped, one added twice, the
// order changed, so that every id moves).
TEST_F(ServiceCampaign, AReloadThatCannotReadTheStoreKeepsTheHotkeysUntilTheNextGoodOne) {
    const std::vector<int> before = {0, 1, 2}, after = {2, 3, 0, 3};
    ASSERT_TRUE(reliability::Replace(reliability::RunOf(Records(before))));
    int runs = 0, bad = 0, told = 0, readAnyway = 0;
    std::string why;
    Serve([&](HWND window) {
        // How many calls of each kind one reload of the new store makes.
        ASSERT_TRUE(reliability::Replace(reliability::RunOf(Records(after))));
        int calls[static_cast<int>(runetest::RegCall::kCount)] = {};
        {
            runetest::RegistryFault count(runetest::RegCall::OpenKey, 0);
            ReloadBurst(1);
            ASSERT_TRUE(Drain(window));
            for (int k = 0; k < static_cast<int>(runetest::RegCall::kCount); ++k)
                calls[k] = count.calls(static_cast<runetest::RegCall>(k));
        }
        for (int k = 0; k < static_cast<int>(runetest::RegCall::kCount); ++k) {
            for (int nth = 1; nth <= calls[k]; ++nth) {
                ++runs;
                const std::string at = " call " + std::to_string(nth) + " of kind " + std::to_string(k) + ":";
                ASSERT_TRUE(reliability::Replace(reliability::RunOf(Records(before))));
                ReloadBurst(1);
                ASSERT_TRUE(Drain(window));
                ASSERT_TRUE(reliability::Replace(reliability::RunOf(Records(after))));
                bool fired = false;
                {
                    runetest::RegistryFault fault(static_cast<runetest::RegCall>(k), nth);
                    ReloadBurst(1);
                    ASSERT_TRUE(Drain(window));
                    fired = fault.fired();
                }
                const std::set<int> held = HeldCombos();
                if (fired && held == std::set<int>(before.begin(), before.end())) {
                    {
                        // The same failure again while the user reads: still one box.
                        runetest::RegistryFault again(static_cast<runetest::RegCall>(k), nth);
                        ReloadBurst(1);
                        ASSERT_TRUE(Drain(window));
                    }
                    const std::string text = TakeBox();
                    if (text.find("The shortcuts stay as they were.") == std::string::npos) {
                        ++bad;
                        why += at + " not told;";
                    }
                    if (!OpenBoxes().empty()) {
                        ++bad;
                        why += at + " told more than once;";
                    }
                    ++told;
                } else if (held == std::set<int>(after.begin(), after.end())) {
                    ++readAnyway;  // a failure the read survives (closing the key)
                } else {
                    ++bad;
                    why += at + " hotkeys neither kept nor the store's;";
                }
                CloseAllBoxes();
                ReloadBurst(1);
                ASSERT_TRUE(Drain(window));
                const int settled = CheckSettled(window, why);
                if (settled) why += at + " after the good reload;";
                bad += settled;
            }
        }
    });
    Figure("service", "every registry call of a reload failing in turn (ERROR_ACCESS_DENIED)", runs, bad,
           std::to_string(told) + " kept the hotkeys and told once, " + std::to_string(readAnyway) +
               " read the store anyway; each followed by a good reload");
    EXPECT_GT(told, 0);
    EXPECT_EQ(bad, 0) << why;
}

// ---- reload storms --------------------------------------------------------------------------------

// 1,000 reload broadcasts in bursts while a second process rewrites the store and keys are
// pressed: no press runs another shortcut's target; once it is over the service holds exactly
// the store's combinations and every press fires exactly its records; nothing grows.
TEST_F(ServiceCampaign, AThousandReloadsWhileTheStoreIsRewrittenAndKeysArePressed) {
    ASSERT_TRUE(reliability::Replace(reliability::RunOf(Records({0, 1, 2, 3}))));
    constexpr int kReloads = 1000, kBurst = 25;
    int presses = 0, fired = 0, none = 0, wrong = 0, writes = 0, bad = 0;
    std::string why;
    Counts a, b;
    Serve([&](HWND window) {
        const DWORD serviceThread = ::GetWindowThreadProcessId(window, nullptr);
        // Warm-up: the first reloads, presses and writer runs fill the system's caches.
        for (int i = 0; i < 3; ++i) {
            runetest::RunProcess(runetest::Quote(runetest::SiblingExe("rune_second_writer.exe")) + " " +
                                     runetest::Quote(scratch_.realPath()) + " append " +
                                     runetest::Quote(Record(4 + i)),
                                 30000);
            ReloadBurst(kBurst);
            ASSERT_TRUE(Drain(window));
            for (int c = 0; c < kCombos; ++c) Press(window, c, StoredTexts());
        }
        a = reliability::Measure(serviceThread);

        std::atomic<bool> storming{true};
        std::thread writer([&] {
            reliability::Rng rng(15);
            while (storming) {
                const size_t n = StoredTexts().size();
                const bool append = n < 3 || (n < 12 && rng.Chance(55));
                const std::string op = append ? "append " + runetest::Quote(Record(rng.Below(kCombos)))
                                              : "remove " + std::to_string(rng.Below(static_cast<int>(n)));
                runetest::RunProcess(runetest::Quote(runetest::SiblingExe("rune_second_writer.exe")) + " " +
                                         runetest::Quote(scratch_.realPath()) + " " + op,
                                     30000);
                ++writes;
            }
        });
        reliability::Rng rng(1015);
        for (int sent = 0; sent < kReloads; sent += kBurst) {
            ReloadBurst(kBurst);
            for (int p = 0; p < 4; ++p) {
                const int c = rng.Below(kCombos);
                const std::vector<std::string> lines = Press(window, c, StoredTexts());
                ++presses;
                if (lines.empty()) ++none;
                else ++fired;
                for (const std::string& l : lines) {
                    if (l != kTokens[c]) {
                        ++wrong;
                        why += std::string(" a press of ") + char('A' + c) + " ran " + l + ";";
                    }
                }
            }
            ASSERT_TRUE(Drain(window));
        }
        storming = false;
        writer.join();
        ReloadBurst(1);
        ASSERT_TRUE(Drain(window));
        bad += CheckSettled(window, why);
        b = reliability::Measure(serviceThread);
    });
    const int grown = reliability::Grown(a, b);
    Figure("service", "1,000 reload broadcasts in bursts of 25, a second process writing, keys pressed",
           kReloads, wrong + bad + grown,
           std::to_string(presses) + " presses during the storm (" + std::to_string(fired) + " fired, " +
               std::to_string(none) + " met a reload, " + std::to_string(wrong) + " ran a wrong target), " +
               std::to_string(writes) + " writes; " + reliability::Growth(a, b));
    EXPECT_EQ(wrong, 0) << why;
    EXPECT_EQ(bad, 0) << why;
    EXPECT_EQ(grown, 0) << reliability::Growth(a, b);
    EXPECT_GT(fired, 0);
}

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

// ---- hostile stored values ----------------------------------------------------------------------------

// The service meets each hostile value of the corpus at start and at a reload: it stays up, holds
// every combination of a well-formed record, and names the rest in a box of bounded size.
TEST_F(ServiceCampaign, HostileStoredValues) {
    int cases = 0, bad = 0;
    std::string why;
    for (const reliability::Hostile& hostile : reliability::HostileCorpus()) {
        ++cases;
        ASSERT_TRUE(reliability::Replace(hostile.values));
        // What is well formed, as the store reads it.
        std::vector<hotrune::StoredRecord> records;
        keymap::LoadAllReadOnly([&records](const keymap::LoadedRecord& r) {
            if (records.size() >= static_cast<size_t>(hotrune::kMaxShortcuts)) return false;
            records.push_back(hotrune::StoredRecord{r.index, r.text, r.mapping, r.wellFormed});
            return true;
        });
        const hotrune::BindingPlan plan = hotrune::PlanBindings(records);
        int caseBad = 0;
        Serve([&](HWND window) {
            for (int round = 0; round < 2; ++round) {
                if (round == 1) {
                    ReloadBurst(1);
                    if (!Drain(window)) ++caseBad;
                }
                for (const hotrune::Binding& binding : plan.bindings) {
                    if (!Held(binding.hotkey.modifiers, binding.hotkey.vk)) {
                        ++caseBad;
                        why += " " + hostile.name + ": " + binding.shortcutText + " not held;";
                    }
                }
                if (!plan.problems.empty()) {
                    const std::string text = TakeBox();
                    if (text.empty() || text.size() > 4000) {
                        ++caseBad;
                        why += " " + hostile.name + ": box of " + std::to_string(text.size()) + " characters;";
                    }
                }
                CloseAllBoxes();
            }
        });
        Figure("service-hostile", hostile.name, 2, caseBad);
        bad += caseBad;
    }
    Figure("service", "hostile stored values (at start and at a reload)", cases, bad);
    EXPECT_EQ(bad, 0) << why;
}

// ---- hours of running, compressed ----------------------------------------------------------------------

// Mixed reload bursts, store rewrites, presses and idle periods for RUNE_SOAK_SECONDS (default
// 90; scripts/reliability.sh --soak-minutes N runs longer), sampled at even intervals (every
// minute in a long run): nothing grows from the first sample to any later one, and the service
// ends holding exactly the store's shortcuts.
TEST_F(ServiceCampaign, HoursOfRunningCompressed) {
    int seconds = 90;
    if (const char* value = std::getenv("RUNE_SOAK_SECONDS")) seconds = std::max(30, std::atoi(value));
    const ULONGLONG interval = seconds >= 600 ? 60000 : static_cast<ULONGLONG>(seconds) * 1000 / 6;
    ASSERT_TRUE(reliability::Replace(reliability::RunOf(Records({0, 1, 2}))));
    std::vector<Counts> samples;
    std::set<std::string> boxTexts;
    long long reloads = 0, presses = 0, rewrites = 0, idleMs = 0, wrong = 0;
    int bad = 0;
    std::string why;
    Serve([&](HWND window) {
        const DWORD serviceThread = ::GetWindowThreadProcessId(window, nullptr);
        reliability::Rng rng(static_cast<unsigned long long>(seconds));
        auto act = [&] {
            const int pick = rng.Below(10);
            if (pick < 3) {
                const int n = 1 + rng.Below(30);
                ReloadBurst(n);
                reloads += n;
            } else if (pick < 5) {
                std::vector<int> combos;
                for (int i = rng.Below(8); i >= 0; --i) combos.push_back(rng.Below(kCombos));
                reliability::Replace(reliability::RunOf(Records(combos)));
                ReloadBurst(1);
                ++reloads;
                ++rewrites;
            } else if (pick < 9) {
                if (!Drain(window)) ++bad;
                const std::vector<std::string> texts = StoredTexts();
                for (int i = 1 + rng.Below(10); i > 0; --i) {
                    const int c = rng.Below(kCombos);
                    const std::vector<std::string> lines = Press(window, c, texts);
                    ++presses;
                    // The store is settled here: exactly its records fire.
                    if (lines != std::vector<std::string>(static_cast<size_t>(CountOf(texts, c)), kTokens[c])) {
                        ++wrong;
                        why += std::string(" ") + char('A' + c) + " fired " + std::to_string(lines.size()) + ";";
                    }
                }
            } else {
                const int ms = 200 + rng.Below(1800);  // the user away from the keyboard
                ::Sleep(static_cast<DWORD>(ms));
                idleMs += ms;
            }
        };
        // The boxes on the screen are read and dismissed before each sample, as the user would:
        // an open box holds its own objects, which are not growth.
        auto sample = [&] {
            if (!Drain(window)) ++bad;
            for (HWND box : OpenBoxes()) {
                boxTexts.insert(BoxText(box));
                CloseBox(box);
            }
            samples.push_back(reliability::Measure(serviceThread));
        };
        // Warm-up, with one box shown and dismissed: the first box of a process loads what
        // every later one shares.
        for (int i = 0; i < 50; ++i) act();
        {
            runetest::RegistryFault fault(runetest::RegCall::OpenKey, 1);
            ReloadBurst(1);
            if (!Drain(window)) ++bad;
        }
        if (TakeBox().empty()) ++bad;
        boxTexts.clear();
        const ULONGLONG begin = NowMs();
        sample();
        for (ULONGLONG next = begin + interval; NowMs() < begin + static_cast<ULONGLONG>(seconds) * 1000;) {
            act();
            if (NowMs() >= next) {
                sample();
                next += interval;
            }
        }
        ReloadBurst(1);
        if (!Drain(window)) ++bad;
        bad += CheckSettled(window, why);
        sample();
    });
    int grown = 0;
    for (const Counts& c : samples) grown = std::max(grown, reliability::Grown(samples.front(), c));
    const std::string minutes = seconds % 60 == 0 ? std::to_string(seconds / 60) + " min" : std::to_string(seconds) + " s";
    Figure("service", minutes + " of reload bursts, store rewrites, presses and idle periods",
           static_cast<long long>(samples.size()), wrong + bad + grown,
           std::to_string(reloads) + " reloads, " + std::to_string(rewrites) + " rewrites, " +
               std::to_string(presses) + " presses, " + std::to_string(idleMs / 1000) + " s idle; samples every " +
               std::to_string(interval / 1000) + " s; " + reliability::Growth(samples.front(), samples.back()) +
               (boxTexts.empty() ? std::string() : "; boxes: " + std::to_string(boxTexts.size()) + " distinct"));
    for (const std::string& text : boxTexts) std::printf("box shown during the long run: %s\n", text.c_str());
    EXPECT_EQ(wrong, 0) << why;
    EXPECT_EQ(bad, 0) << why;
    EXPECT_EQ(grown, 0) << reliability::Growth(samples.front(), samples.back());
}

// ---- quit under load --------------------------------------------------------------------------------------

// Saves HKCU\...\KeyMappings of the real user of the prefix (the one hotrune.exe reads) and puts
// it back.
class RealStore {
public:
    RealStore() : saved_(reliability::Snapshot()) {}
    ~RealStore() { reliability::Replace(saved_); }
    RealStore(const RealStore&) = delete;
    RealStore& operator=(const RealStore&) = delete;

private:
    reliability::RawValues saved_;
};

// "WM_QUIT_HOTRUNE" broadcast (as Runestop does) while the real service works through a burst of
// reloads, or right after a press started a program: it ends with status 0 within 2 s, and every
// hotkey it held is free for another program at once.
TEST(ServiceQuit, QuitDuringReloadsOrALaunchEndsAtOnceAndFreesEveryHotkey) {
    RealStore keep;
    const std::string fire = runetest::SiblingExe("rune_fire.exe");
    std::vector<std::string> texts = Records({0, 1, 2, 3, 4, 5, 6, 7, 8});
    texts.push_back("1 1 1 0 74 " + fire);  // CTRL+ALT+SHIFT+J starts a program
    ASSERT_TRUE(reliability::Replace(reliability::RunOf(texts)));
    const std::string fireLog = runetest::TempPath("hrqfire");
    ::SetEnvironmentVariableA("RUNE_FIRE_LOG", fireLog.c_str());
    const std::string actionLog = runetest::TempPath("hrqact");
    ::SetEnvironmentVariableA(hotrune::kActionLogVariable, actionLog.c_str());

    int bad = 0;
    ULONGLONG slowest = 0;
    std::string why;
    for (const char* load : {"reloads", "a launch"}) {
        runetest::Process service(runetest::Quote(runetest::SiblingExe("hotrune.exe")));
        ASSERT_TRUE(service.started());
        HWND window = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            window = ::FindWindowA(hotrune::kWindowClass, hotrune::kWindowTitle);
            return window && Held(kMods, 'J');
        }, 20000)) << "the service did not start";
        if (std::string(load) == "reloads") {
            ReloadBurst(200);
        } else {
            ::PostMessageA(window, WM_HOTKEY, 10, MAKELPARAM(kMods, 'J'));
            ::PostMessageA(window, WM_HOTKEY, 1, MAKELPARAM(kMods, 'A'));
        }
        const ULONGLONG begin = NowMs();
        keymap::Broadcast(QuitMessage());
        DWORD status = 1;
        const bool ended = service.Wait(2000, &status);
        const ULONGLONG took = NowMs() - begin;
        slowest = std::max(slowest, took);
        if (!ended || status != 0) {
            ++bad;
            why += std::string(" during ") + load + ": " + (ended ? "status " + std::to_string(status) : "still running") + ";";
            service.Kill();
        }
        // Another program takes every combination at once.
        for (UINT vk = 'A'; vk <= 'J'; ++vk) {
            if (::RegisterHotKey(nullptr, static_cast<int>(vk), kMods, vk)) {
                ::UnregisterHotKey(nullptr, static_cast<int>(vk));
            } else {
                ++bad;
                why += std::string(" during ") + load + ": " + char(vk) + " still held;";
            }
        }
    }
    // The program the last press started may still be on its way: let it finish before its log goes.
    WaitUntil([&] { return runetest::ReadFileText(fireLog).find('\n') != std::string::npos; }, 5000);
    ::SetEnvironmentVariableA("RUNE_FIRE_LOG", nullptr);
    ::SetEnvironmentVariableA(hotrune::kActionLogVariable, nullptr);
    ::DeleteFileA(fireLog.c_str());
    ::DeleteFileA(actionLog.c_str());
    Figure("service", "quit broadcast during 200 queued reloads and during a launch", 2, bad,
           "slowest end " + std::to_string(slowest) + " ms (bound 2000 ms)");
    EXPECT_EQ(bad, 0) << why;
}

}  // namespace
