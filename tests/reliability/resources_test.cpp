// Resources and hangs. Many reloads and wizard runs in one process must not make GDI objects,
// windows or private memory grow; every broadcast (Add, Remove, Shutdown, Runestop) must end
// within a few seconds while a top-level window of another process hangs.
// What is measured: see reliability::Measure.
#include <windows.h>
#include <commctrl.h>

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

using reliability::Counts;
using reliability::Measure;

long long Report(const char* item, int runs, const Counts& a, const Counts& b) {
    const int bad = reliability::Grown(a, b);
    reliability::Figure("resources", item, runs, bad, reliability::Growth(a, b));
    EXPECT_EQ(bad, 0) << item << ": " << reliability::Growth(a, b);
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
            // Warm-up, one finished run among them: the first added row loads what later ones share.
            for (int i = 5; i < 10; ++i) ASSERT_TRUE(wizardRun(i));
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
