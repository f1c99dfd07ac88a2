// The shared helpers themselves: if these fail, every other test's verdict is in doubt.
#include <gtest/gtest.h>

#include "common/desktop.h"
#include "common/listener.h"
#include "common/process.h"
#include "common/scratch_hkcu.h"
#include "keymap/service.h"

namespace runetest {
namespace {

TEST(ScratchHkcu, RedirectsAndCleansUp) {
    std::string path;
    {
        ScratchHkcu scratch;
        ASSERT_TRUE(scratch.ok());
        path = scratch.realPath();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\RuneProbe", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        // Seen through the scratch key, so it went there and not into the real hive's Software.
        EXPECT_TRUE(KeyExists(scratch.root(), "Software\\RuneProbe"));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\RuneProbe"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, path.c_str()));
}

TEST(Process, ReportsExitCodeAndOutput) {
    RunResult r = RunProcess("cmd.exe /c echo rune-probe& exit 7", 30000, true);
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 7u);
    EXPECT_NE(r.output.find("rune-probe"), std::string::npos) << r.output;
}

TEST(Process, KillsAChildThatOutlivesItsTimeLimit) {
    RunResult r = RunProcess(Quote(SiblingExe("rune_hung.exe")) + " --hang-ms 60000", 500);
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.finished);
}

TEST(Listener, LogsEachBroadcastAndStops) {
    Listener listener;
    ASSERT_TRUE(listener.ready());
    keymap::Broadcast(RegisterWindowMessageA(keymap::kReloadMappingsMessage));
    keymap::Broadcast(RegisterWindowMessageA(keymap::kQuitHotruneMessage));
    // Sends are synchronous: both are logged by the time Broadcast returns.
    EXPECT_EQ(listener.Messages(),
              (std::vector<std::string>{"WM_RELOADMAPPINGS", "WM_QUIT_HOTRUNE"}));
    EXPECT_TRUE(listener.Stop());
}

TEST(Listener, ExitOnQuitEndsLikeTheService) {
    Listener listener(/*exitOnQuit=*/true);
    ASSERT_TRUE(listener.ready());
    keymap::Broadcast(RegisterWindowMessageA(keymap::kQuitHotruneMessage));
    DWORD code = 99;
    ASSERT_TRUE(listener.process().Wait(10000, &code));
    EXPECT_EQ(code, 0u);
}

TEST(HungWindow, ShowsAsAHiddenTopLevelWindowThatDoesNotAnswer) {
    HungWindow hung(60000);
    ASSERT_TRUE(hung.ready());
    HWND window = nullptr;
    for (const TopWindow& w : TopLevelWindows())
        if (w.pid == hung.pid() && w.className == "RuneHung") window = w.hwnd;
    ASSERT_NE(window, nullptr);
    DWORD_PTR result = 0;
    EXPECT_EQ(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 300, &result), 0);
}

}  // namespace
}  // namespace runetest
