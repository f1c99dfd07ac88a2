// The benchmark driver: starts Runeset, Runestop and their baselines as real processes, times
// them side by side, and times Runeset's list reload and the store in process. bench/run.sh
// runs it under Wine with the server kept running; see bench/README.md for the cases.
//
//   bench_driver.exe [--runs N] [--warmup N] [case ...]
//       cases: start (100 shortcuts), start-empty, stop, floor, reload, store; all by default
//   bench_driver.exe listen READY-EVENT STOP-EVENT
//       the listener process of the Runestop case (a hidden top-level window that answers
//       every message, as a running service would)
//
// Every result is one line "ROW|case|subject|baseline|ratio|target|verdict" for run.sh's
// table; lines starting with "#" are details.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

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
double g_dialogStartMs = 0;  // the baseline dialog's median start, once measured
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
    std::string verdict = target > 0 ? (ratio <= target ? "met" : "MISSED") : "-";
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

std::string ExeDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

// An owned child process, ended (if still running) and released by the destructor.
class Child {
public:
    explicit Child(const std::string& commandLine) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::string line = commandLine;
        const std::string dir = ExeDir();
        if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                           &pi)) {
            CloseHandle(pi.hThread);
            process_ = pi.hProcess;
            pid_ = pi.dwProcessId;
        }
    }
    ~Child() {
        if (!process_) return;
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return process_ != nullptr; }
    HANDLE handle() const { return process_; }
    DWORD pid() const { return pid_; }
    bool Wait(DWORD ms, DWORD* status = nullptr) const {
        if (WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return false;
        if (status) GetExitCodeProcess(process_, status);
        return true;
    }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

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
    Child child(Quoted(exe));
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
    Child child(Quoted(exe));
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

HKEY OpenKeyMappings() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

std::map<std::string, std::string> ReadAllValues(HKEY key) {
    std::map<std::string, std::string> values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name;
        BYTE data[1024];
        DWORD dataLen = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS)
            break;
        values[std::string(name, nameLen)] = std::string(reinterpret_cast<char*>(data), dataLen);
    }
    return values;
}

void DeleteAllValues(HKEY key) {
    for (const auto& value : ReadAllValues(key)) RegDeleteValueA(key, value.first.c_str());
}

void WriteRecords(HKEY key, const std::vector<std::string>& records) {
    for (size_t i = 0; i < records.size(); ++i)
        RegSetValueExA(key, std::to_string(i).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(records[i].c_str()),
                       static_cast<DWORD>(records[i].size() + 1));
}

// The real KeyMappings key of this prefix, saved on construction and put back (as REG_SZ
// values, which is all the store holds) by the destructor.
class SavedKeyMappings {
public:
    SavedKeyMappings() : key_(OpenKeyMappings()) {
        if (key_) saved_ = ReadAllValues(key_);
    }
    ~SavedKeyMappings() {
        if (!key_) return;
        DeleteAllValues(key_);
        for (const auto& value : saved_)
            RegSetValueExA(key_, value.first.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.second.data()),
                           static_cast<DWORD>(value.second.size()));
        RegCloseKey(key_);
    }
    SavedKeyMappings(const SavedKeyMappings&) = delete;
    SavedKeyMappings& operator=(const SavedKeyMappings&) = delete;
    HKEY key() const { return key_; }

private:
    HKEY key_;
    std::map<std::string, std::string> saved_;
};

// HKEY_CURRENT_USER of this process redirected to a fresh scratch key for its lifetime.
class ScratchHkcu {
public:
    ScratchHkcu() {
        char name[96];
        std::snprintf(name, sizeof name, "Software\\RuneBench\\s-%lu", GetCurrentProcessId());
        path_ = name;
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &root_, nullptr) != ERROR_SUCCESS) {
            root_ = nullptr;
            return;
        }
        HKEY software = nullptr;
        if (RegCreateKeyExA(root_, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &software,
                            nullptr) == ERROR_SUCCESS)
            RegCloseKey(software);
        if (RegOverridePredefKey(HKEY_CURRENT_USER, root_) != ERROR_SUCCESS) {
            RegCloseKey(root_);
            root_ = nullptr;
        }
    }
    ~ScratchHkcu() {
        if (!root_) return;
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    }
    ScratchHkcu(const ScratchHkcu&) = delete;
    ScratchHkcu& operator=(const ScratchHkcu&) = delete;
    bool ok() const { return root_ != nullptr; }

private:
    HKEY root_ = nullptr;
    std::string path_;
};

// ---- cases ----------------------------------------------------------------------------------

// Runeset from process start to its list fully shown, against the baseline dialog.
void CaseStart(bool withRecords) {
    const std::string runeset = ExeDir() + "runeset.exe";
    const std::string baseline = ExeDir() + "bench_min_dialog.exe";
    SavedKeyMappings saved;
    if (!saved.key()) {
        Fail("cannot open the KeyMappings key");
        return;
    }
    DeleteAllValues(saved.key());
    const int rows = withRecords ? kRecords : 0;
    if (withRecords) WriteRecords(saved.key(), MakeRecords());

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
    if (withRecords) g_dialogStartMs = b;
    Row(withRecords ? "Runeset start to a fully shown list, 100 shortcuts"
                    : "Runeset start to a fully shown list, empty store",
        Ms(s), Ms(b), b > 0 ? s / b : 0, withRecords ? 1.25 : 1.10);
    const double sp = Median(subjectPeak), bp = Median(baselinePeak);
    Row(withRecords ? "Runeset peak working set, 100 shortcuts" : "Runeset peak working set, empty store",
        MiB(sp), MiB(bp), bp > 0 ? sp / bp : 0, withRecords ? 1.5 : 0);
}

// The listener process: a hidden top-level window that answers broadcasts until told to stop.
int Listen(const char* readyName, const char* stopName) {
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyName);
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, stopName);
    if (!ready || !stop) return 2;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RuneBenchListener";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Rune bench listener", WS_OVERLAPPED, 0, 0, 10,
                                10, nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) return 3;
    RegisterWindowMessageA(keymap::kQuitHotruneMessage);
    SetEvent(ready);
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    DestroyWindow(hwnd);
    return 0;
}

// Runestop from process start to exit, with no listener and with one, against a program that
// only exits.
void CaseStop() {
    const std::string runestop = ExeDir() + "runestop.exe";
    const std::string baseline = ExeDir() + "bench_min_exit.exe";
    const std::string user32 = ExeDir() + "bench_min_user32.exe";
    for (int listeners = 0; listeners <= 1; ++listeners) {
        std::unique_ptr<Child> listener;
        HANDLE ready = nullptr, stop = nullptr;
        if (listeners) {
            char readyName[64], stopName[64];
            std::snprintf(readyName, sizeof readyName, "rune-bench-ready-%lu", GetCurrentProcessId());
            std::snprintf(stopName, sizeof stopName, "rune-bench-stop-%lu", GetCurrentProcessId());
            ready = CreateEventA(nullptr, TRUE, FALSE, readyName);
            stop = CreateEventA(nullptr, TRUE, FALSE, stopName);
            char exe[MAX_PATH] = {};
            GetModuleFileNameA(nullptr, exe, MAX_PATH);
            listener = std::make_unique<Child>(Quoted(exe) + " listen " + readyName + " " + stopName);
            if (!listener->started() || WaitForSingleObject(ready, 20000) != WAIT_OBJECT_0) {
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
            Ms(s), Ms(b), b > 0 ? s / b : 0, 1.10);
        Row("  the same, against a program that only registers a message", Ms(s), Ms(f), f > 0 ? s / f : 0, 0);
        if (!listeners)
            Row("  a program that only registers a message, against one that only exits", Ms(f),
                Ms(b), b > 0 ? f / b : 0, 0);
        if (listener) {
            SetEvent(stop);
            listener->Wait(10000);
            CloseHandle(ready);
            CloseHandle(stop);
        }
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
    ScratchHkcu scratch;
    if (!scratch.ok()) {
        Fail("cannot redirect HKEY_CURRENT_USER");
        return;
    }
    HKEY key = OpenKeyMappings();
    if (!key) {
        Fail("cannot create the KeyMappings key");
        return;
    }
    WriteRecords(key, MakeRecords());
    RegCloseKey(key);

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
    ScratchHkcu scratch;
    if (!scratch.ok()) {
        Fail("cannot redirect HKEY_CURRENT_USER");
        return;
    }
    HKEY key = OpenKeyMappings();
    if (!key) {
        Fail("cannot create the KeyMappings key");
        return;
    }
    const std::vector<std::string> records = MakeRecords();
    WriteRecords(key, records);
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
        WriteRecords(key, records);  // back to the same 100 records
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "listen") == 0) return Listen(argv[2], argv[3]);

    std::vector<std::string> cases;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            g_runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--warmup" && i + 1 < argc) {
            g_warmup = std::max(0, std::atoi(argv[++i]));
        } else if (arg == "start" || arg == "start-empty" || arg == "stop" || arg == "floor" ||
                   arg == "reload" || arg == "store") {
            cases.push_back(arg);
        } else {
            std::fprintf(stderr,
                         "usage: bench_driver.exe [--runs N] [--warmup N] "
                         "[start|start-empty|stop|floor|reload|store ...]\n");
            return 2;
        }
    }
    if (cases.empty()) cases = {"start", "start-empty", "stop", "floor", "reload", "store"};
    std::printf("# runs %d after %d warm-up runs each\n", g_runs, g_warmup);
    for (const std::string& c : cases) {
        if (c == "start") CaseStart(true);
        if (c == "start-empty") CaseStart(false);
        if (c == "stop") CaseStop();
        if (c == "floor") CaseFloor();
        if (c == "reload") CaseReload();
        if (c == "store") CaseStore();
    }
    return g_failed ? 1 : 0;
}
