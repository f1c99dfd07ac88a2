// Resources and hangs. Many reloads and wizard runs in one process must not make GDI objects,
// windows or private memory grow; every broadcast (Add, Remove, Shutdown, Runestop) must end
// within a few seconds while a top-level window of another process hangs.
//
// What is measured: GetGuiResources when it answers; Wine's answers 0, so GDI objects are then
// counted in the process's GDI handle table (the PEB's GdiSharedHandleTable, one entry per live
// object: icons and image lists show up there through the bitmaps they hold), USER objects as
// the windows of the process (top-level and all their descendants), and private memory as
// GetProcessMemoryInfo's PagefileUsage (the committed private bytes; PrivateUsage is 0 there).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/desktop.h"
#include "common/listener.h"
#include "common/process.h"
#include "common/scratch_hkcu.h"
#include "keymap/store.h"
#include "reliability.h"
#include "runeset/main_dialog.h"
#include "runeset/resource.h"
#include "ui_driver.h"
#include "wizard_driver.h"

namespace {

using uidriver::Script;


// ---- counting ---------------------------------------------------------------------------------

struct GdiEntry {  // one entry of the GDI handle table, as laid out by the system
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
static_assert(sizeof(GdiEntry) == 24, "GDI handle table entry");

long GdiObjects() {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(n);
    using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryProcess>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess"));
    PROCESS_BASIC_INFORMATION info = {};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0)
        return -1;
    const char* peb = reinterpret_cast<const char*>(info.PebBaseAddress);
#ifdef _WIN64
    const size_t offset = 0xF8;  // PEB.GdiSharedHandleTable
#else
    const size_t offset = 0x94;
#endif
    const GdiEntry* table = *reinterpret_cast<const GdiEntry* const*>(peb + offset);
    if (!table) return -1;
    long n = 0;
    for (int i = 0; i < 0x10000; ++i) n += table[i].type != 0;
    return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

struct ThreadWindows {
    long count = 0;
};

BOOL CALLBACK CountTop(HWND hwnd, LPARAM param) {
    long* count = reinterpret_cast<long*>(param);
    ++*count;
    EnumChildWindows(hwnd, &CountChild, param);
    return TRUE;
}

long UserObjects(DWORD uiThread) {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<long>(n);
    long count = 0;
    EnumThreadWindows(uiThread, &CountTop, reinterpret_cast<LPARAM>(&count));
    return count;
}

long long PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    return static_cast<long long>(pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage);
}

struct Counts {
    long gdi, user;
    long long memory;
};

Counts Measure(DWORD uiThread) { return {GdiObjects(), UserObjects(uiThread), PrivateBytes()}; }

// ---- a reload on request ------------------------------------------------------------------------

// The test's own hook on the dialog's window (not a product feature): a private message makes the
// UI thread run ReloadList, as every Add and Remove does.
const UINT kReloadNow = WM_APP + 0x51;
CRunesetDlg* g_dialog = nullptr;
WNDPROC g_dialogProc = nullptr;

LRESULT CALLBACK ReloadHook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kReloadNow) return g_dialog->ReloadList();
    return CallWindowProcA(g_dialogProc, hwnd, msg, wp, lp);
}

constexpr int kRows = 8;

class Resources : public runetest::ScratchHkcuTest {
protected:
    // Program targets (shell icons), catalogue tokens (resource icons) and a damaged value.
    void FillMixedStore() {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        std::vector<std::string> texts;
        for (int i = 0; i < kRows; ++i) {
            switch (i % 4) {
                case 0: texts.push_back("1 1 0 0 " + std::to_string(65 + i) + " " + windows + "\\notepad.exe"); break;
                case 1: texts.push_back("1 0 0 0 " + std::to_string(65 + i) + " eject.cd.tray"); break;
                case 2: texts.push_back("0 1 0 0 " + std::to_string(65 + i) + " notepad"); break;
                default: texts.push_back("damaged " + std::to_string(i)); break;
            }
        }
        ASSERT_TRUE(reliability::Replace(reliability::RunOf(texts)));
    }
};

// Growth allowed between the first and the last measurement: a few objects of warm-up (caches
// of the system) and 4 MiB of memory; one leaked image list, icon or window per reload or wizard
// run would be hundreds of objects and megabytes.
constexpr long kObjectSlack = 16;
constexpr long long kMemorySlack = 4 << 20;

long long Report(const char* item, int runs, const Counts& a, const Counts& b) {
    const long long bad = (b.gdi - a.gdi > kObjectSlack) + (b.user - a.user > kObjectSlack) +
                          (b.memory - a.memory > kMemorySlack);
    reliability::Figure("resources", item, runs, bad,
                        "GDI " + std::to_string(a.gdi) + " -> " + std::to_string(b.gdi) + ", USER " +
                            std::to_string(a.user) + " -> " + std::to_string(b.user) + ", private KiB " +
                            std::to_string(a.memory / 1024) + " -> " + std::to_string(b.memory / 1024));
    EXPECT_LE(b.gdi - a.gdi, kObjectSlack) << item;
    EXPECT_LE(b.user - a.user, kObjectSlack) << item;
    EXPECT_LE(b.memory - a.memory, kMemorySlack) << item;
    return bad;
}

TEST_F(Resources, AThousandReloadsAndAHundredWizardRunsLeakNothing) {
    FillMixedStore();
    CRunesetDlg dialog;
    uidriver::RunMainDialog(
        dialog,
        [&](Script& s) {
            HWND main = s.MainDialog();
            ASSERT_NE(main, nullptr);
            g_dialog = &dialog;
            g_dialogProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReloadHook)));
            auto reload = [&] { return s.Send(main, kReloadNow, 0, 0) == 0; };
            for (int i = 0; i < 20; ++i) ASSERT_TRUE(reload());  // warm-up
            const Counts a = Measure(s.uiThread());
            for (int i = 0; i < 1000; ++i) ASSERT_TRUE(reload()) << i;
            const Counts b = Measure(s.uiThread());
            EXPECT_EQ(s.ListCount(GetDlgItem(main, IDC_SHORTCUT_LIST)), kRows);
            Report("1,000 reloads (8 rows: shell, catalogue and default icons)", 1000, a, b);

            // Wizard runs: through all three steps, then Cancel (which reloads and broadcasts);
            // every tenth one finishes, and the added shortcut is removed again.
            auto wizardRun = [&](int i) {
                wizardtest::Wizard w(s, main);
                if (!w.open()) return false;
                if (!w.ToStep3WithFunction("Eject CD Tray")) return false;
                if (i % 10 == 9) {
                    w.ChooseKey("Z");  // CTRL+ALT+Z: no stored shortcut uses Z
                    if (!w.Close(wizardtest::kFinish)) return false;
                    HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
                    if (!s.WaitUntil([&] { return s.ListCount(list) == kRows + 1; })) return false;
                    s.SelectRows(list, {kRows});
                    s.Click(main, IDC_REMOVE);
                    return s.WaitUntil([&] { return s.ListCount(list) == kRows; });
                }
                return w.Close();
            };
            for (int i = 0; i < 5; ++i) ASSERT_TRUE(wizardRun(i));  // warm-up
            const Counts c = Measure(s.uiThread());
            for (int i = 0; i < 100; ++i) ASSERT_TRUE(wizardRun(i)) << i;
            // Let the last reload settle before counting.
            s.WaitUntil([&] { return s.OpenDialogs().size() == 1; });
            const Counts d = Measure(s.uiThread());
            Report("100 wizard runs (10 finished and removed again)", 100, c, d);
            SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_dialogProc));
        },
        900000);
    EXPECT_EQ(reliability::RunTexts(reliability::Snapshot()).size(), static_cast<size_t>(kRows));
}

}  // namespace
