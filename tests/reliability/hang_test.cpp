// Every broadcast ends within a few seconds while another process's top-level window hangs:
// Add and Remove (reload) from the real main window in process, Shutdown from runeset.exe as a
// real process, and runestop.exe. A listener process older than the hung window must still
// receive each message.
#include <windows.h>

#include <string>

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

namespace {

using uidriver::Script;

// A hung window may hold up one broadcast twice (its window and its thread's IME window) by the
// store's 2 s; more than this is a hang.
constexpr ULONGLONG kBoundMs = 8000;
constexpr int kRounds = 3;

struct Tally {
    long long tried = 0, hung = 0;
    ULONGLONG slowest = 0;
    void Add(ULONGLONG ms, bool arrived) {
        ++tried;
        if (ms > slowest) slowest = ms;
        if (!arrived || ms > kBoundMs) ++hung;
        EXPECT_TRUE(arrived);
        EXPECT_LE(ms, kBoundMs);
    }
};

HWND RunesetWindow(DWORD pid) {
    const ULONGLONG end = runetest::NowMs() + 20000;
    do {
        for (const runetest::TopWindow& w : runetest::TopLevelWindows())
            if (w.pid == pid && w.visible && w.className == "#32770" && w.title == " Runeset v1.0") return w.hwnd;
        Sleep(50);
    } while (runetest::NowMs() < end);
    return nullptr;
}

class Hangs : public runetest::ScratchHkcuTest {};

TEST_F(Hangs, EveryBroadcastEndsWhileAWindowHangs) {
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());
    runetest::HungWindow hung(600000, /*visible=*/true);
    ASSERT_TRUE(hung.ready());
    Tally add, remove, shutdown, runestop;
    int reloads = 0, quits = 0;

    ASSERT_TRUE(reliability::Replace(reliability::RunOf({"1 1 0 0 65 a", "1 1 0 0 66 b", "1 1 0 0 67 c"})));
    CRunesetDlg dialog;
    uidriver::RunMainDialog(dialog, [&](Script& s) {
        HWND main = s.MainDialog();
        ASSERT_NE(main, nullptr);
        HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
        for (int round = 0; round < kRounds; ++round) {
            // Add: the wizard cancelled at once still reloads and broadcasts.
            s.Click(main, IDC_ADD);
            HWND wizard = s.WaitOwnedDialog(main);
            ASSERT_NE(wizard, nullptr);
            ULONGLONG t = runetest::NowMs();
            s.Click(wizard, IDCANCEL);
            bool arrived = listener.WaitForCount("WM_RELOADMAPPINGS", ++reloads, 30000);
            add.Add(runetest::NowMs() - t, arrived && s.WaitGone(wizard));
            // Remove.
            s.SelectRows(list, {0});
            t = runetest::NowMs();
            s.Click(main, IDC_REMOVE);
            arrived = listener.WaitForCount("WM_RELOADMAPPINGS", ++reloads, 30000);
            remove.Add(runetest::NowMs() - t, arrived);
            ASSERT_TRUE(s.WaitUntil([&] { return s.ListCount(list) == 2 - round; }));
            // The main window answers again afterwards.
            bool ok = false;
            s.Send(main, WM_NULL, 0, 0, &ok);
            EXPECT_TRUE(ok);
        }
    });

    // Shutdown in runeset.exe, a real process on the prefix's own store, which it only reads.
    for (int round = 0; round < kRounds; ++round) {
        runetest::Process runeset(runetest::Quote(runetest::SiblingExe("runeset.exe")));
        ASSERT_TRUE(runeset.started());
        HWND main = RunesetWindow(runeset.pid());
        ASSERT_NE(main, nullptr);
        const ULONGLONG t = runetest::NowMs();
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_SHUTDOWN, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_SHUTDOWN)));
        DWORD code = 1;
        const bool ended = runeset.Wait(30000, &code);
        const bool arrived = listener.WaitForCount("WM_QUIT_HOTRUNE", ++quits, 5000);
        shutdown.Add(runetest::NowMs() - t, ended && arrived);
        EXPECT_EQ(code, 0u);
    }

    for (int round = 0; round < kRounds; ++round) {
        runetest::RunResult r = runetest::RunProcess(runetest::Quote(runetest::SiblingExe("runestop.exe")), 30000);
        const bool arrived = listener.WaitForCount("WM_QUIT_HOTRUNE", ++quits, 5000);
        runestop.Add(r.elapsedMs, r.finished && r.exitCode == 0 && arrived);
    }
    EXPECT_TRUE(hung.process().Running()) << "the window hung all along";

    auto figure = [](const char* item, const Tally& t) {
        reliability::Figure("hangs", item, t.tried, t.hung, "slowest " + std::to_string(t.slowest) + " ms");
        return t.hung;
    };
    const long long hangs = figure("Add (reload broadcast)", add) + figure("Remove (reload broadcast)", remove) +
                            figure("Shutdown in runeset.exe (quit broadcast)", shutdown) +
                            figure("runestop.exe (quit broadcast)", runestop);
    EXPECT_EQ(hangs, 0);
}

}  // namespace
