// The benchmark driver: starts Runeset, Runestop, Hotrune and their baselines as real processes,
// times them side by side, and times Runeset's list reload and the store in process. bench/run.sh
// runs it under Wine with the server kept running; see bench/README.md for the cases.
//
//   bench_driver.exe [--runs N] [--warmup N] [case ...]
//       cases: start (100 shortcuts), start-empty, stop, floor, reload, store (Runeset and
//       Runestop); service-start, service-reload, service-key, service-idle (Hotrune); all by
//       default
//
// Every result is one line "ROW|case|subject|baseline|ratio|target|verdict" for run.sh's
// table; lines starting with "#" are details.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/listener.h"
#include "common/process.h"
#include "common/scratch_hkcu.h"
#include "bench/marks.h"
#include "runeset/catalogue.h"
#include "keymap/service.h"
#include "keymap/store.h"
#include "runeset/main_dialog.h"
#include "winframe/app.h"

namespace {

constexpr int kRecords = 100;
constexpr int kListId = 1000;              // the list of Runeset's main window and of the baseline
constexpr DWORD kProcessLimitMs = 30000;   // a run that takes longer has failed

int g_runs = 15;
double g_dialogStartMs = 0;   // the baseline dialog's median start, once measured
double g_runesetStartMs = 0;  // Runeset's median start with 100 shortcuts, once measured
int g_warmup = 3;
bool g_failed = false;

// ---- clock and statistics -------------------------------------------------------------------

double NowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / perMs;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Format(const char* fmt, double value) {
    char text[64];
    std::snprintf(text, sizeof text, fmt, value);
    return text;
}

std::string Ms(double ms) { return Format(ms < 1 ? "%.3f ms" : ms < 10 ? "%.2f ms" : "%.1f ms", ms); }
std::string Us(double ms) { return Format("%.1f us", ms * 1000); }
std::string MiB(double bytes) { return Format("%.1f MiB", bytes / (1024.0 * 1024.0)); }

void Fail(const std::string& what) {
    std::printf("# FAILED: %s\n", what.c_str());
    std::fflush(stdout);
    g_failed = true;
}

// One table row. A target of 0 means the case has none.
void Row(const std::string& name, const std::string& subject, const std::string& baseline,
         double ratio, double target) {
    std::string ratioText = ratio > 0 ? Format("%.2f", ratio) : "-";
    std::string targetText = target > 0 ? Format("<= %.2f", target) : "-";
    // No ratio (a figure that could not be read) meets no target.
    std::string verdict = target > 0 ? (ratio > 0 && ratio <= target ? "met" : "MISSED") : "-";
    std::printf("ROW|%s|%s|%s|%s|%s|%s\n", name.c_str(), subject.c_str(), baseline.c_str(),
                ratioText.c_str(), targetText.c_str(), verdict.c_str());
    std::fflush(stdout);
}

void Samples(const char* name, const std::vector<double>& v) {
    std::printf("# %s:", name);
    for (double x : v) std::printf(" %.2f", x);
    std::printf("\n");
}

// ---- processes ------------------------------------------------------------------------------

using runetest::ExeDir;
using runetest::Process;
using runetest::Quote;

struct FindDialog {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND hwnd, LPARAM param) {
    auto* find = reinterpret_cast<FindDialog*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != find->pid || !IsWindowVisible(hwnd)) return TRUE;
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0) return TRUE;
    find->found = hwnd;
    return FALSE;
}

struct ShownRun {
    bool ok = false;
    double ms = 0;       // process start until fully shown
    double peak = 0;     // peak working set, bytes, when fully shown
};

// Starts `exe` and waits until its dialog is fully shown: visible, its list holding `rows`
// rows, and everything pending painted (the window's own thread paints it while this one
// waits). Then reads the peak working set and closes the window as the close box would.
ShownRun RunUntilShown(const std::string& exe, int rows) {
    ShownRun run;
    const double t0 = NowMs();
    Process child(Quote(exe));
    if (!child.started()) {
        Fail("cannot start " + exe);
        return run;
    }
    HWND dialog = nullptr;
    while (NowMs() - t0 < kProcessLimitMs) {
        FindDialog find = {child.pid(), nullptr};
        EnumWindows(&FindDialogProc, reinterpret_cast<LPARAM>(&find));
        if (find.found) {
            DWORD_PTR count = 0;
            HWND list = GetDlgItem(find.found, kListId);
            if (list && SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000,
                                            &count) &&
                static_cast<int>(count) == rows) {
                RedrawWindow(find.found, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                run.ms = NowMs() - t0;
                dialog = find.found;
                break;
            }
        }
        if (child.Wait(1)) break;  // ended before showing: a failure
    }
    if (!dialog) {
        Fail(exe + " did not show its list with " + std::to_string(rows) + " rows");
        return run;
    }
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(child.handle(), &counters, sizeof counters))
        run.peak = static_cast<double>(counters.PeakWorkingSetSize);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    if (!child.Wait(10000)) Fail(exe + " did not close");
    run.ok = true;
    return run;
}

// Starts `exe` and waits for its end; the time from start to exit, or -1.
double RunToExit(const std::string& exe) {
    const double t0 = NowMs();
    Process child(Quote(exe));
    DWORD status = 1;
    if (!child.started() || !child.Wait(kProcessLimitMs, &status)) {
        Fail(exe + " did not start or end");
        return -1;
    }
    const double ms = NowMs() - t0;
    if (status != 0) Fail(exe + " ended with status " + std::to_string(status));
    return ms;
}

// Runs every program g_warmup times untimed, then g_runs times each, turning the order round
// after every round so that none always follows the same one.
void Interleave(const std::vector<std::function<void(bool timed)>>& programs) {
    for (int i = 0; i < g_warmup; ++i)
        for (const auto& run : programs) run(false);
    const size_t n = programs.size();
    for (int i = 0; i < g_runs; ++i)
        for (size_t k = 0; k < n; ++k) programs[(k + static_cast<size_t>(i)) % n](true);
}

// ---- the records ----------------------------------------------------------------------------

// 100 record texts, mixed in a fixed pattern: programs of the system folder, given by their
// short paths (the shell has icons for them; some in capitals, as users type them), catalogue
// tokens, and targets that are neither (missing files, unknown words: the default icon).
std::vector<std::string> MakeRecords() {
    std::vector<std::string> programs;
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((std::string(system) + "\\*.exe").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            char shortPath[MAX_PATH] = {};
            std::string full = std::string(system) + "\\" + data.cFileName;
            if (GetShortPathNameA(full.c_str(), shortPath, MAX_PATH) && !std::strchr(shortPath, ' '))
                programs.push_back(shortPath);
        } while (programs.size() < 40 && FindNextFileA(find, &data));
        FindClose(find);
    }
    std::vector<const char*> tokens;
    for (const runeset::CatalogueNode& node : runeset::Entries())
        if (const char* token = runeset::TokenOf(node)) tokens.push_back(token);

    std::vector<std::string> records;
    size_t program = 0, token = 0;
    int unknown = 0;
    for (int i = 0; i < kRecords; ++i) {
        std::string target;
        const int slot = i % 10;
        if (slot < 4 && !programs.empty()) {
            target = programs[program++ % programs.size()];
            if (i % 3 == 0) CharUpperA(&target[0]);
        } else if (slot < 7 && !tokens.empty()) {
            target = tokens[token++ % tokens.size()];
        } else {
            char text[64];
            std::snprintf(text, sizeof text, unknown % 2 ? "c:\\missing\\tool%02d.exe" : "unknown.target.%d",
                          unknown);
            ++unknown;
            target = text;
        }
        char record[400];
        std::snprintf(record, sizeof record, "%d %d %d %d %d %s", i % 2, (i / 2) % 2, (i / 4) % 2,
                      (i / 8) % 2, 'A' + i % 26, target.c_str());
        records.push_back(record);
    }
    return records;
}

// The real KeyMappings key of this prefix, saved on construction and put back by the
// destructor. Programs started from here read the real key, which no redirection reaches.
class SavedKeyMappings {
public:
    SavedKeyMappings() : saved_(runetest::StoredKeyMappings()) { Clear(); }
    ~SavedKeyMappings() {
        Clear();
        runetest::FillKeyMappings(saved_);
    }
    SavedKeyMappings(const SavedKeyMappings&) = delete;
    SavedKeyMappings& operator=(const SavedKeyMappings&) = delete;

    // Leaves the key empty, or holding exactly `records` as values 0, 1, ...
    static bool Clear() {
        HKEY key = runetest::OpenKeyMappings();
        if (!key) return runetest::FillKeyMappings({});
        for (const std::string& name : runetest::ValueNames(key)) RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
        return true;
    }
    static bool Set(const std::vector<std::string>& records) {
        return Clear() && runetest::FillKeyMappingsRun(records);
    }

private:
    std::map<int, std::string> saved_;
};

// ---- cases ----------------------------------------------------------------------------------

// Runeset from process start to its list fully shown, against the baseline dialog.
void CaseStart(bool withRecords) {
    const std::string runeset = ExeDir() + "runeset.exe";
    const std::string baseline = ExeDir() + "bench_min_dialog.exe";
    SavedKeyMappings saved;
    if (!SavedKeyMappings::Set(withRecords ? MakeRecords() : std::vector<std::string>())) {
        Fail("cannot write the KeyMappings key");
        return;
    }
    const int rows = withRecords ? kRecords : 0;

    std::vector<double> subjectMs, baselineMs, subjectPeak, baselinePeak;
    Interleave({
        [&](bool timed) {
            ShownRun run = RunUntilShown(runeset, rows);
            if (timed && run.ok) {
                subjectMs.push_back(run.ms);
                subjectPeak.push_back(run.peak);
            }
        },
        [&](bool timed) {
            ShownRun run = RunUntilShown(baseline, 0);
            if (timed && run.ok) {
                baselineMs.push_back(run.ms);
                baselinePeak.push_back(run.peak);
            }
        }});
    Samples(withRecords ? "runeset start, 100 shortcuts, ms" : "runeset start, empty store, ms",
            subjectMs);
    Samples("baseline dialog start, ms", baselineMs);
    const double s = Median(subjectMs), b = Median(baselineMs);
    if (withRecords) {
        g_dialogStartMs = b;
        g_runesetStartMs = s;
    }
    // With shortcuts, the target is against the floor of the design (the "floor" case).
    Row(withRecords ? "Runeset start to a fully shown list, 100 shortcuts"
                    : "Runeset start to a fully shown list, empty store",
        Ms(s), Ms(b), b > 0 ? s / b : 0, withRecords ? 0 : 1.15);
    const double sp = Median(subjectPeak), bp = Median(baselinePeak);
    Row(withRecords ? "Runeset peak working set, 100 shortcuts" : "Runeset peak working set, empty store",
        MiB(sp), MiB(bp), bp > 0 ? sp / bp : 0, withRecords ? 1.5 : 0);
}

// Runestop from process start to exit, with no listener and with one, against a program that
// only exits.
void CaseStop() {
    const std::string runestop = ExeDir() + "runestop.exe";
    const std::string baseline = ExeDir() + "bench_min_exit.exe";
    const std::string user32 = ExeDir() + "bench_min_user32.exe";
    for (int listeners = 0; listeners <= 1; ++listeners) {
        // The listener stands in for a running service: a hidden top-level window in a second
        // process that answers every message (and logs the two of ours).
        std::unique_ptr<runetest::Listener> listener;
        if (listeners) {
            listener = std::make_unique<runetest::Listener>(false, 600000);
            if (!listener->ready()) {
                Fail("the listener did not start");
                return;
            }
        }
        std::vector<double> subject, base, floor;
        auto timeTo = [](const std::string& exe, std::vector<double>& into) {
            return [&exe, &into](bool timed) {
                double ms = RunToExit(exe);
                if (timed && ms >= 0) into.push_back(ms);
            };
        };
        Interleave({timeTo(runestop, subject), timeTo(baseline, base), timeTo(user32, floor)});
        Samples(listeners ? "runestop, one listener, ms" : "runestop, no listener, ms", subject);
        Samples("min exit, ms", base);
        Samples("min user32, ms", floor);
        const double s = Median(subject), b = Median(base), f = Median(floor);
        Row(listeners ? "Runestop start to exit, one listener" : "Runestop start to exit, no listener",
            Ms(s), Ms(b), b > 0 ? s / b : 0, 0);
        Row("  the same, against a program that only registers a message", Ms(s), Ms(f), f > 0 ? s / f : 0, 1.6);
        if (!listeners)
            Row("  a program that only registers a message, against one that only exits", Ms(f),
                Ms(b), b > 0 ? f / b : 0, 0);
        if (listener && !listener->Stop()) Fail("the listener did not end");
    }
}

// What one reload of 100 records cannot do without: the shell's icon look-up for every target
// (the first one of a process separately, as it sets the shell up), the resource icons for
// the rest, and appending each icon to an image list made as the main window makes it. The
// first call is only a first call when no other case has used the shell in this process.
void CaseFloor() {
    std::vector<std::string> targets;
    for (const std::string& text : MakeRecords()) targets.push_back(keymap::ParseRecordText(text.c_str()).target);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    double t0 = NowMs();
    SHFILEINFOA first = {};
    SHGetFileInfoA(targets[0].c_str(), 0, &first, sizeof first, SHGFI_ICON | SHGFI_SMALLICON);
    const double firstMs = NowMs() - t0;
    if (first.hIcon) DestroyIcon(first.hIcon);

    std::vector<double> shell, programsShell, othersShell, replace;
    for (int i = 0; i < g_warmup + g_runs; ++i) {
        HIMAGELIST images = ImageList_Create(16, 16, 0, 0, 10);
        double shellMs = 0, programsMs = 0, othersMs = 0, replaceMs = 0;
        for (const std::string& target : targets) {
            SHFILEINFOA info = {};
            t0 = NowMs();
            const DWORD_PTR found = SHGetFileInfoA(target.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON);
            HICON icon = info.hIcon;
            if (!found || !icon)
                icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(runeset::ListIconFor(target.c_str())));
            const double t1 = NowMs();
            ImageList_ReplaceIcon(images, -1, icon);
            const double t2 = NowMs();
            if (found && info.hIcon) DestroyIcon(info.hIcon);
            shellMs += t1 - t0;
            (found ? programsMs : othersMs) += t1 - t0;
            replaceMs += t2 - t1;
        }
        ImageList_Destroy(images);
        if (i < g_warmup) continue;
        shell.push_back(shellMs);
        programsShell.push_back(programsMs);
        othersShell.push_back(othersMs);
        replace.push_back(replaceMs);
    }
    Samples("shell look-ups of 100 targets, ms", shell);
    Samples("ImageList_ReplaceIcon x100, ms", replace);
    const double s = Median(shell), r = Median(replace);
    Row("Floor: first shell icon look-up of a process", Ms(firstMs), "-", 0, 0);
    Row("Floor: shell look-ups of the 100 targets (files / others)",
        Ms(s) + " (" + Ms(Median(programsShell)) + " / " + Ms(Median(othersShell)) + ")", "-", 0, 0);
    Row("Floor: ImageList_ReplaceIcon x100", Ms(r), "-", 0, 0);
    if (g_dialogStartMs > 0) {
        const double least = g_dialogStartMs + firstMs + s + r;
        Row("Floor: baseline start + these calls (least possible start, 100 shortcuts)", Ms(least),
            Ms(g_dialogStartMs), least / g_dialogStartMs, 0);
        Row("Runeset start to a fully shown list, 100 shortcuts, against that floor", Ms(g_runesetStartMs),
            Ms(least), g_runesetStartMs / least, 1.2);
    }
}

// ReloadList in process, on the main window's own thread: a thread timer fires inside the
// dialog's modal loop once the window is up, reloads again and again, then ends the dialog.
CRunesetDlg* g_dialog = nullptr;
UINT_PTR g_timer = 0;
std::vector<double> g_reloadMs;
int g_reloadRows = -1;

void CALLBACK ReloadTimer(HWND, UINT, UINT_PTR, DWORD) {
    KillTimer(nullptr, g_timer);
    if (!g_dialog) return;
    CRunesetDlg* dialog = g_dialog;
    g_dialog = nullptr;  // once only, whatever the reloads dispatch meanwhile
    for (int i = 0; i < g_warmup + g_runs; ++i) {
        const double t0 = NowMs();
        dialog->ReloadList();
        const double ms = NowMs() - t0;
        if (i >= g_warmup) g_reloadMs.push_back(ms);
    }
    g_reloadRows = dialog->m_table.count;
    EndDialog(dialog->GetSafeHwnd(), IDOK);
}

void CaseReload() {
    runetest::ScratchHkcu scratch;
    if (!scratch.ok() || !runetest::FillKeyMappingsRun(MakeRecords())) {
        Fail("cannot fill a scratch HKEY_CURRENT_USER");
        return;
    }

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    CWinApp app(nullptr);
    auto dialog = std::make_unique<CRunesetDlg>();  // too large for the stack
    app.m_pMainWnd = dialog.get();
    g_dialog = dialog.get();
    g_timer = SetTimer(nullptr, 0, 1, &ReloadTimer);
    dialog->DoModal();
    app.m_pMainWnd = nullptr;
    if (g_reloadRows != kRecords) {
        Fail("the list held " + std::to_string(g_reloadRows) + " rows after a reload, not 100");
        return;
    }
    Samples("ReloadList, ms", g_reloadMs);
    const double m = Median(g_reloadMs);
    Row("ReloadList, 100 records (per reload)", Ms(m), "-", 0, 0);
    Row("ReloadList, 100 records (per row)", Us(m / kRecords), "-", 0, 0);
}

// The store's three operations on a scratch HKEY_CURRENT_USER against one registry write.
void CaseStore() {
    runetest::ScratchHkcu scratch;
    const std::vector<std::string> records = MakeRecords();
    HKEY key = nullptr;
    if (!scratch.ok() || !runetest::FillKeyMappingsRun(records) || !(key = runetest::OpenKeyMappings())) {
        Fail("cannot fill a scratch HKEY_CURRENT_USER");
        return;
    }
    const int runs = g_runs * 2;

    std::vector<double> unit, load, append, remove;
    const std::string& text = records[0];
    for (int i = 0; i < g_warmup + runs; ++i) {
        double t0 = NowMs();
        RegSetValueExA(key, "0", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        double ms = NowMs() - t0;
        if (i >= g_warmup) unit.push_back(ms);

        int seen = 0;
        t0 = NowMs();
        keymap::StoreResult r = keymap::LoadAll([&](const keymap::LoadedRecord&) {
            ++seen;
            return true;
        });
        ms = NowMs() - t0;
        if (r != keymap::StoreResult::Ok || seen != kRecords) Fail("LoadAll saw " + std::to_string(seen));
        if (i >= g_warmup) load.push_back(ms);

        int written = -1;
        t0 = NowMs();
        r = keymap::Append(records[1].c_str(), &written);
        ms = NowMs() - t0;
        if (r != keymap::StoreResult::Ok || written != kRecords) Fail("Append wrote " + std::to_string(written));
        if (i >= g_warmup) append.push_back(ms);
        RegDeleteValueA(key, std::to_string(kRecords).c_str());

        t0 = NowMs();
        r = keymap::RemoveAt(0);
        ms = NowMs() - t0;
        if (r != keymap::StoreResult::Ok) Fail("RemoveAt failed");
        if (i >= g_warmup) remove.push_back(ms);
        runetest::FillKeyMappingsRun(records);  // back to the same 100 records
    }
    RegCloseKey(key);
    Samples("one RegSetValueExA, ms", unit);
    Samples("LoadAll, ms", load);
    Samples("Append, ms", append);
    Samples("RemoveAt(0), ms", remove);
    const double u = Median(unit);
    auto row = [&](const char* name, const std::vector<double>& v) {
        const double m = Median(v);
        Row(name, Ms(m), Ms(u) + " (one write)", u > 0 ? m / u : 0, 0);
    };
    row("Store LoadAll, 100 records", load);
    row("Store Append to 100 records", append);
    row("Store RemoveAt first of 100 (99 moves)", remove);
}

// ---- the service ---------------------------------------------------------------------------

constexpr char kServiceClass[] = "HotruneService";
constexpr char kMinWindowClass[] = "RuneBenchMinWindow";
constexpr DWORD kServiceLimitMs = 30000;

struct Combo {
    UINT mods;  // MOD_CONTROL | MOD_ALT | MOD_SHIFT
    UINT vk;    // a letter or digit key: the record's key character is the same code
};

std::string RecordText(const Combo& c, const std::string& target) {
    char text[400];
    std::snprintf(text, sizeof text, "%d %d %d %d %u %s", (c.mods & MOD_CONTROL) ? 1 : 0,
                  (c.mods & MOD_ALT) ? 1 : 0, (c.mods & MOD_SHIFT) ? 1 : 0, 0, c.vk, target.c_str());
    return text;
}

// 100 distinct combinations: four modifier sets, letters A to Y.
std::vector<Combo> ServiceCombos() {
    const UINT sets[] = {MOD_CONTROL | MOD_ALT, MOD_CONTROL | MOD_SHIFT, MOD_ALT | MOD_SHIFT,
                         MOD_CONTROL | MOD_ALT | MOD_SHIFT};
    std::vector<Combo> combos;
    for (UINT mods : sets)
        for (UINT vk = 'A'; vk < 'A' + kRecords / 4; ++vk) combos.push_back(Combo{mods, vk});
    return combos;
}

// True when another program holds the combination: registering it here fails with 1409.
bool Taken(const Combo& c) {
    if (RegisterHotKey(nullptr, 0xBEEF, c.mods, c.vk)) {
        UnregisterHotKey(nullptr, 0xBEEF);
        return false;
    }
    return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

// One record starting the marker program for each of `combos`, in their order.
std::vector<std::string> MarkerRecords(const std::vector<Combo>& combos) {
    std::vector<std::string> records;
    for (const Combo& c : combos) records.push_back(RecordText(c, ExeDir() + "bench_marker.exe"));
    return records;
}

int CountTaken(const std::vector<Combo>& combos) {
    int n = 0;
    for (const Combo& c : combos) n += Taken(c) ? 1 : 0;
    return n;
}

struct FindClassWindow {
    DWORD pid;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindClassWindowProc(HWND hwnd, LPARAM param) {
    auto* find = reinterpret_cast<FindClassWindow*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid != find->pid || std::strcmp(cls, find->className) != 0) return TRUE;
    find->found = hwnd;
    return FALSE;
}

// A resident program started and done starting: its hidden window exists and its thread has
// come to its message loop (a message sent to the window returns only then, so for the
// service every hotkey of its start is registered by this time).
struct Resident {
    Process process;
    HWND window = nullptr;
    double readyMs = 0;  // process start until then
};

Resident StartResident(const std::string& exe, const char* className) {
    Resident r;
    const double t0 = NowMs();
    r.process = Process(Quote(exe));
    if (!r.process.started()) {
        Fail("cannot start " + exe);
        return r;
    }
    while (NowMs() - t0 < kServiceLimitMs) {
        FindClassWindow find = {r.process.pid(), className, nullptr};
        EnumWindows(&FindClassWindowProc, reinterpret_cast<LPARAM>(&find));
        DWORD_PTR ignored = 0;
        if (find.found && SendMessageTimeoutA(find.found, WM_NULL, 0, 0, SMTO_NORMAL, kServiceLimitMs, &ignored)) {
            r.readyMs = NowMs() - t0;
            r.window = find.found;
            return r;
        }
        if (r.process.Wait(1)) break;
    }
    Fail(exe + " did not come to its message loop");
    return r;
}

// Ends a resident program the way its users do: the service by its quit message, the
// minimal window by closing it.
void StopResident(Resident& r, UINT quitMessage) {
    if (!r.window) return;
    if (quitMessage) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(r.window, quitMessage, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    } else {
        PostMessageA(r.window, WM_CLOSE, 0, 0);
    }
    DWORD status = 1;
    if (!r.process.Wait(10000, &status) || status != 0) Fail("a resident program did not end cleanly");
    r.window = nullptr;
}

UINT QuitMessage() { return RegisterWindowMessageA(keymap::kQuitHotruneMessage); }

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Hotrune from process start until every hotkey of 100 records is registered, against the
// minimal hidden-window program's start.
void CaseServiceStart() {
    const std::string hotrune = ExeDir() + "hotrune.exe";
    const std::string minimal = ExeDir() + "bench_min_window.exe";
    const std::vector<Combo> combos = ServiceCombos();
    SavedKeyMappings saved;
    if (!SavedKeyMappings::Set(MarkerRecords(combos))) {
        Fail("cannot write the KeyMappings key");
        return;
    }
    const UINT quit = QuitMessage();
    std::vector<double> subject, floor;
    int heldAtStart = -1;
    Interleave({
        [&](bool timed) {
            Resident r = StartResident(hotrune, kServiceClass);
            if (!r.window) return;
            if (heldAtStart < 0) heldAtStart = CountTaken(combos);
            if (timed) subject.push_back(r.readyMs);
            StopResident(r, quit);
        },
        [&](bool timed) {
            Resident r = StartResident(minimal, kMinWindowClass);
            if (timed && r.window) floor.push_back(r.readyMs);
            StopResident(r, 0);
        }});
    if (heldAtStart != kRecords)
        Fail("the service held " + std::to_string(heldAtStart) + " of the 100 hotkeys after its start");
    Samples("hotrune start until its 100 hotkeys are registered, ms", subject);
    Samples("minimal hidden window start, ms", floor);
    const double s = Median(subject), f = Median(floor);
    Row("Hotrune start until its 100 hotkeys are registered", Ms(s), Ms(f), f > 0 ? s / f : 0, 0);
}

// One reload of 100 records: the reload message sent to the service's window returns once the
// service has read the store and registered its hotkeys (it reloads on its window's thread),
// against 100 RegisterHotKey calls in this process. Two stores take turns, the second with
// every record on another combination, so that every hotkey is given up and registered again;
// a reload of an unchanged store is timed as well.
void CaseServiceReload() {
    const std::vector<Combo> combos = ServiceCombos();
    std::vector<std::string> first, second;
    for (size_t i = 0; i < combos.size(); ++i) {
        first.push_back(RecordText(combos[i], ExeDir() + "bench_marker.exe"));
        second.push_back(RecordText(combos[(i + 1) % combos.size()], ExeDir() + "bench_marker.exe"));
    }
    SavedKeyMappings saved;
    if (!SavedKeyMappings::Set(first)) {
        Fail("cannot write the KeyMappings key");
        return;
    }
    const UINT reload = RegisterWindowMessageA(keymap::kReloadMappingsMessage);
    const UINT quit = QuitMessage();

    std::vector<double> changed, unchanged, broadcast, floor, reads;
    {
        Resident r = StartResident(ExeDir() + "hotrune.exe", kServiceClass);
        if (!r.window) return;
        auto timeReload = [&](HWND to) {
            DWORD_PTR ignored = 0;
            const double t0 = NowMs();
            if (!SendMessageTimeoutA(to, reload, 0, 0, SMTO_NORMAL, kServiceLimitMs, &ignored))
                Fail("the reload did not return");
            return NowMs() - t0;
        };
        // The floor's own combinations (the service's with WIN added), so that the service
        // can hold its hotkeys meanwhile and both take turns on the same load.
        std::vector<Combo> own = combos;
        for (Combo& c : own) c.mods |= MOD_WIN;
        auto registerAll = [&own] {
            const double t0 = NowMs();
            int registered = 0;
            for (size_t k = 0; k < own.size(); ++k)
                registered += RegisterHotKey(nullptr, static_cast<int>(k + 1), own[k].mods, own[k].vk) ? 1 : 0;
            const double ms = NowMs() - t0;
            for (size_t k = 0; k < own.size(); ++k) UnregisterHotKey(nullptr, static_cast<int>(k + 1));
            if (registered != kRecords) Fail("the floor registered " + std::to_string(registered) + " of 100 hotkeys");
            return ms;
        };
        // The least a reload must do besides: read the 100 values, one query each.
        auto readAll = [] {
            HKEY key = runetest::OpenKeyMappings(KEY_READ);
            if (!key) return 0.0;
            const double t0 = NowMs();
            for (int k = 0; k < kRecords; ++k) {
                char data[512];
                DWORD size = sizeof data;
                RegQueryValueExA(key, std::to_string(k).c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
            }
            const double ms = NowMs() - t0;
            RegCloseKey(key);
            return ms;
        };
        for (int i = 0; i < g_warmup + g_runs; ++i) {
            const bool timed = i >= g_warmup;
            runetest::FillKeyMappingsRun(i % 2 ? first : second);
            const double all = timeReload(r.window);
            const double least = registerAll();
            const double reading = readAll();
            const double same = timeReload(r.window);
            // The same through the broadcast Runeset sends, which every top-level window sees.
            runetest::FillKeyMappingsRun(i % 2 ? second : first);
            const double viaBroadcast = timeReload(HWND_BROADCAST);
            if (timed) {
                changed.push_back(all);
                unchanged.push_back(same);
                broadcast.push_back(viaBroadcast);
                floor.push_back(least);
                reads.push_back(reading);
            }
        }
        const int held = CountTaken(combos);
        if (held != kRecords) Fail("the service held " + std::to_string(held) + " of the 100 hotkeys after reloads");
        StopResident(r, quit);
    }
    Samples("hotrune reload of 100 changed records, ms", changed);
    Samples("hotrune reload of the same 100 records, ms", unchanged);
    Samples("a reload of 100 changed records by broadcast, ms", broadcast);
    Samples("100 RegisterHotKey, ms", floor);
    Samples("100 RegQueryValueExA, ms", reads);
    const double c = Median(changed), u = Median(unchanged), b = Median(broadcast), f = Median(floor);
    Row("Hotrune reload of 100 records, every one on a new combination", Ms(c), Ms(f), f > 0 ? c / f : 0, 1.5);
    Row("  the same from the broadcast, as Runeset sends it", Ms(b), Ms(f), f > 0 ? b / f : 0, 0);
    Row("  a reload of 100 unchanged records", Ms(u), Ms(f), f > 0 ? u / f : 0, 0);
    const double q = Median(reads);
    Row("  100 RegQueryValueExA (reading the store, one query a value), in this process", Ms(q), Ms(f),
        f > 0 ? q / f : 0, 0);
}

// The marker's table of start times, shared by name with every marker this process's
// children start (they inherit the variable that names it).
class MarkTable {
public:
    MarkTable() {
        const std::string name = runetest::UniqueName("rune-bench-marks");
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(bench::Marks), name.c_str());
        event_ = CreateEventA(nullptr, FALSE, FALSE, (name + bench::kMarksEventSuffix).c_str());
        if (mapping_) marks_ = static_cast<bench::Marks*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(bench::Marks)));
        if (marks_ && event_) SetEnvironmentVariableA(bench::kMarksVariable, name.c_str());
    }
    ~MarkTable() {
        SetEnvironmentVariableA(bench::kMarksVariable, nullptr);
        if (marks_) UnmapViewOfFile(marks_);
        if (mapping_) CloseHandle(mapping_);
        if (event_) CloseHandle(event_);
    }
    MarkTable(const MarkTable&) = delete;
    MarkTable& operator=(const MarkTable&) = delete;

    bool ok() const { return marks_ && event_; }
    void Reset() {
        marks_->count = 0;
        ResetEvent(event_);
    }
    // Waits until `n` markers have started; the latest start, in NowMs() terms, or -1.
    double WaitFor(LONG n) {
        const double t0 = NowMs();
        while (marks_->count < n) {
            if (NowMs() - t0 > 10000) return -1;
            WaitForSingleObject(event_, 100);
        }
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        LONGLONG last = 0;
        for (LONG i = 0; i < n; ++i) last = std::max(last, marks_->started[i]);
        return static_cast<double>(last) / (static_cast<double>(f.QuadPart) / 1000.0);
    }

private:
    HANDLE mapping_ = nullptr;
    HANDLE event_ = nullptr;
    bench::Marks* marks_ = nullptr;
};

// Presses and lets go of a combination, as a keyboard does, through the system's input queue.
bool PressKeys(const Combo& c) {
    std::vector<WORD> keys;
    if (c.mods & MOD_CONTROL) keys.push_back(VK_CONTROL);
    if (c.mods & MOD_ALT) keys.push_back(VK_MENU);
    if (c.mods & MOD_SHIFT) keys.push_back(VK_SHIFT);
    keys.push_back(static_cast<WORD>(c.vk));
    std::vector<INPUT> input;
    for (WORD k : keys) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        input.push_back(i);
    }
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *k;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        input.push_back(i);
    }
    return SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT)) == input.size();
}

// Starts `count` markers back to back from this running process, as the service starts them.
bool StartMarkers(int count) {
    const std::string marker = ExeDir() + "bench_marker.exe";
    const std::string folder = ExeDir();
    for (int i = 0; i < count; ++i) {
        std::string line = Quote(marker);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_SHOWNORMAL;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(marker.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return true;
}

// Key press until the target program runs: the service bound to 100 records, one of them on
// CTRL+ALT+1 and two on CTRL+ALT+2, each starting the marker; the marker notes its start from
// inside. The floor is the same marker started by CreateProcess from this running process.
// The press is timed from just before SendInput, so the key's way to the service counts
// against the service; a row of its own shows that way alone.
void CaseServiceKey() {
    MarkTable table;
    if (!table.ok()) {
        Fail("cannot set up the marker table");
        return;
    }
    const std::string marker = ExeDir() + "bench_marker.exe";
    const Combo single = {MOD_CONTROL | MOD_ALT, '1'}, twice = {MOD_CONTROL | MOD_ALT, '2'};
    std::vector<std::string> records = {RecordText(single, marker), RecordText(twice, marker),
                                        RecordText(twice, marker)};
    for (const Combo& c : ServiceCombos()) {
        if (records.size() == kRecords) break;
        records.push_back(RecordText(c, marker));
    }
    SavedKeyMappings saved;
    if (!SavedKeyMappings::Set(records)) {
        Fail("cannot write the KeyMappings key");
        return;
    }
    Resident r = StartResident(ExeDir() + "hotrune.exe", kServiceClass);
    if (!r.window) return;

    const int runs = std::max(20, 2 * g_runs);
    auto press = [&](const Combo& combo, LONG markers, std::vector<double>& into, bool timed) {
        table.Reset();
        const double t0 = NowMs();
        if (!PressKeys(combo)) Fail("SendInput did not take the key press");
        const double started = table.WaitFor(markers);
        if (started < 0) Fail("the service started no marker for a key press");
        else if (timed) into.push_back(started - t0);
        Sleep(150);  // the keys are let go and the markers have ended before the next press
    };
    auto create = [&](LONG markers, std::vector<double>& into, bool timed) {
        table.Reset();
        const double t0 = NowMs();
        if (!StartMarkers(markers)) Fail("cannot start the marker");
        const double started = table.WaitFor(markers);
        if (started < 0) Fail("the marker did not start");
        else if (timed) into.push_back(started - t0);
        Sleep(150);
    };
    std::vector<double> one, two, floorOne, floorTwo;
    const int savedRuns = g_runs;
    g_runs = runs;
    Interleave({[&](bool t) { press(single, 1, one, t); }, [&](bool t) { create(1, floorOne, t); },
                [&](bool t) { press(twice, 2, two, t); }, [&](bool t) { create(2, floorTwo, t); }});
    g_runs = savedRuns;
    StopResident(r, QuitMessage());

    // The key's way alone: a hotkey of this process, from SendInput to its WM_HOTKEY.
    std::vector<double> hop;
    const Combo own = {MOD_CONTROL | MOD_ALT, '3'};
    if (RegisterHotKey(nullptr, 7, own.mods, own.vk)) {
        for (int i = 0; i < g_warmup + runs; ++i) {
            const double t0 = NowMs();
            PressKeys(own);
            MSG msg;
            bool got = false;
            while (!got && NowMs() - t0 < 5000) {
                if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) got = msg.message == WM_HOTKEY;
                else MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            }
            if (got && i >= g_warmup) hop.push_back(NowMs() - t0);
            Sleep(20);
        }
        UnregisterHotKey(nullptr, 7);
    }

    Samples("key press until the marker runs, ms", one);
    Samples("CreateProcess until the marker runs, ms", floorOne);
    Samples("key press until the second marker runs, ms", two);
    Samples("two CreateProcess until the second marker runs, ms", floorTwo);
    Samples("SendInput until WM_HOTKEY in this process, ms", hop);
    auto plus = [](const char* name, double s, double f, double allowed) {
        const bool met = s <= f + allowed;
        std::printf("ROW|%s|%s|%s|%s|<= +%.0f ms|%s\n", name, Ms(s).c_str(), Ms(f).c_str(),
                    Format("%+.1f ms", s - f).c_str(), allowed, met ? "met" : "MISSED");
        std::fflush(stdout);
    };
    plus("Hotrune key press until the program runs (median)", Median(one), Median(floorOne), 10);
    plus("  the same, 95th percentile", Percentile(one, 0.95), Percentile(floorOne, 0.95), 30);
    plus("Hotrune key press until a second record's program runs (median)", Median(two), Median(floorTwo), 15);
    Row("  key press until WM_HOTKEY in a process of its own (SendInput)", Ms(Median(hop)), "-", 0, 0);
}

// ---- an idle resident program, seen from Linux ------------------------------------------------
// Under Wine every Windows process is a Linux process, and its /proc entry (reachable through
// the Z: drive) tells how often its threads woke up, how much CPU they used and how much memory
// is theirs alone. A program is found by its file name among the processes of this Wine prefix
// (the resident programs measured here run one at a time).

std::string ReadWhole(const std::string& path) { return runetest::ReadFileText(path); }

// The NUL-separated entry of a /proc environ or cmdline file that starts with `prefix`.
std::string EntryStarting(const std::string& block, const std::string& prefix) {
    for (size_t at = 0; at < block.size();) {
        size_t end = block.find('\0', at);
        if (end == std::string::npos) end = block.size();
        if (block.compare(at, prefix.size(), prefix) == 0) return block.substr(at, end - at);
        at = end + 1;
    }
    return {};
}

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string UnixPidOf(const char* exeName) {
    const std::string prefix = EntryStarting(ReadWhole("Z:\\proc\\self\\environ"), "WINEPREFIX=");
    if (prefix.empty()) return {};
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &data);
    if (find == INVALID_HANDLE_VALUE) return {};
    std::vector<std::string> found;
    do {
        const std::string name = data.cFileName;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string commandLine = LowerCase(ReadWhole("Z:\\proc\\" + name + "\\cmdline"));
        if (commandLine.find(exeName) == std::string::npos) continue;
        if (EntryStarting(ReadWhole("Z:\\proc\\" + name + "\\environ"), prefix) == prefix) found.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return found.size() == 1 ? found[0] : std::string();
}

// Resident pages that belong to the process alone (what it would give back on exit).
double PrivateResidentBytes(const std::string& pid) {
    const std::string rollup = ReadWhole("Z:\\proc\\" + pid + "\\smaps_rollup");
    double kib = 0;
    for (const char* key : {"\nPrivate_Clean:", "\nPrivate_Dirty:"}) {
        const size_t k = rollup.find(key);
        if (k != std::string::npos) kib += std::atof(rollup.c_str() + k + std::strlen(key));
    }
    return kib * 1024;
}

struct LinuxUse {
    bool ok = false;
    double cpuMs = 0;        // user + system time of every thread
    long long wakeups = 0;   // context switches of every thread
};

LinuxUse ReadLinuxUse(const std::string& pid) {
    LinuxUse use;
    const std::string stat = ReadWhole("Z:\\proc\\" + pid + "\\stat");
    const size_t paren = stat.rfind(')');
    if (paren == std::string::npos) return use;
    // After "pid (name)": state is field 3; utime and stime are fields 14 and 15.
    std::vector<std::string> fields;
    size_t at = paren + 2;
    while (at < stat.size()) {
        const size_t end = stat.find(' ', at);
        fields.push_back(stat.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    if (fields.size() < 13) return use;
    const double tick = 10.0;  // USER_HZ is 100 on Linux
    use.cpuMs = (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) * tick;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(("Z:\\proc\\" + pid + "\\task\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return use;
    do {
        const std::string task = data.cFileName;
        if (task.empty() || task[0] == '.') continue;
        const std::string status = ReadWhole("Z:\\proc\\" + pid + "\\task\\" + task + "\\status");
        for (const char* key : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"}) {
            const size_t k = status.find(std::string("\n") + key);
            if (k != std::string::npos) use.wakeups += std::atoll(status.c_str() + k + 1 + std::strlen(key));
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    use.ok = true;
    return use;
}

struct IdleFigures {
    double privateBytes = 0, workingSet = 0;
    LinuxUse before, after;
};

// Hotrune with 100 records bound and the minimal hidden window, both left alone for 30 s side
// by side: their memory once settled, and what they did meanwhile.
void CaseServiceIdle() {
    const std::vector<Combo> combos = ServiceCombos();
    SavedKeyMappings saved;
    if (!SavedKeyMappings::Set(MarkerRecords(combos))) {
        Fail("cannot write the KeyMappings key");
        return;
    }
    Resident service = StartResident(ExeDir() + "hotrune.exe", kServiceClass);
    Resident minimal = StartResident(ExeDir() + "bench_min_window.exe", kMinWindowClass);
    if (!service.window || !minimal.window) return;
    Sleep(3000);  // settled: nothing of the start left to do

    Resident* both[] = {&service, &minimal};
    IdleFigures figures[2];
    const std::string pids[2] = {UnixPidOf("hotrune.exe"), UnixPidOf("bench_min_window.exe")};
    for (int i = 0; i < 2; ++i) {
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(both[i]->process.handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                 sizeof counters)) {
            figures[i].privateBytes = static_cast<double>(counters.PrivateUsage);
            figures[i].workingSet = static_cast<double>(counters.WorkingSetSize);
        }
        // Wine leaves another process's private usage at 0; Linux knows it.
        if (figures[i].privateBytes == 0 && !pids[i].empty()) figures[i].privateBytes = PrivateResidentBytes(pids[i]);
        if (!pids[i].empty()) figures[i].before = ReadLinuxUse(pids[i]);
    }
    const int idleSeconds = 30;
    Sleep(idleSeconds * 1000);
    for (int i = 0; i < 2; ++i)
        if (!pids[i].empty()) figures[i].after = ReadLinuxUse(pids[i]);
    const bool stillHeld = CountTaken(combos) == kRecords;
    StopResident(service, QuitMessage());
    StopResident(minimal, 0);
    if (!stillHeld) Fail("the service did not hold its 100 hotkeys while idle");

    const IdleFigures& s = figures[0];
    const IdleFigures& f = figures[1];
    Row("Hotrune idle private memory, 100 records bound", MiB(s.privateBytes), MiB(f.privateBytes),
        f.privateBytes > 0 ? s.privateBytes / f.privateBytes : 0, 1.2);
    Row("Hotrune idle working set, 100 records bound", MiB(s.workingSet), MiB(f.workingSet),
        f.workingSet > 0 ? s.workingSet / f.workingSet : 0, 1.2);
    if (!s.before.ok || !s.after.ok || !f.before.ok || !f.after.ok) {
        Row("Hotrune idle 30 s: CPU time and wake-ups", "not readable here (no /proc)", "-", 0, 0);
        return;
    }
    const double cpu = s.after.cpuMs - s.before.cpuMs, cpuFloor = f.after.cpuMs - f.before.cpuMs;
    const long long wake = s.after.wakeups - s.before.wakeups, wakeFloor = f.after.wakeups - f.before.wakeups;
    Row("Hotrune idle 30 s: CPU time", Ms(cpu), Ms(cpuFloor), 0, 0);
    // An armed timer wakes the thread at every period; a few stray wake-ups are the system's.
    const bool noTimers = wake <= wakeFloor + 3;
    std::printf("ROW|Hotrune idle 30 s: thread wake-ups (an armed timer wakes it every period)|%lld|%lld|-|0 timers|%s\n",
                wake, wakeFloor, noTimers ? "met" : "MISSED");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {

    std::vector<std::string> cases;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            g_runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--warmup" && i + 1 < argc) {
            g_warmup = std::max(0, std::atoi(argv[++i]));
        } else if (arg == "start" || arg == "start-empty" || arg == "stop" || arg == "floor" ||
                   arg == "reload" || arg == "store" || arg == "service-start" ||
                   arg == "service-reload" || arg == "service-key" || arg == "service-idle") {
            cases.push_back(arg);
        } else {
            std::fprintf(stderr,
                         "usage: bench_driver.exe [--runs N] [--warmup N] "
                         "[start|start-empty|stop|floor|reload|store|service-start|"
                         "service-reload|service-key|service-idle ...]\n");
            return 2;
        }
    }
    if (cases.empty())
        cases = {"start", "start-empty", "stop", "floor", "reload", "store",
                 "service-start", "service-reload", "service-key", "service-idle"};
    std::printf("# runs %d after %d warm-up runs each\n", g_runs, g_warmup);
    for (const std::string& c : cases) {
        if (c == "start") CaseStart(true);
        if (c == "start-empty") CaseStart(false);
        if (c == "stop") CaseStop();
        if (c == "floor") CaseFloor();
        if (c == "reload") CaseReload();
        if (c == "store") CaseStore();
        if (c == "service-start") CaseServiceStart();
        if (c == "service-reload") CaseServiceReload();
        if (c == "service-key") CaseServiceKey();
        if (c == "service-idle") CaseServiceIdle();
    }
    return g_failed ? 1 : 0;
}
