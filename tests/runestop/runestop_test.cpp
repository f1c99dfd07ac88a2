// Runestop started as a real process, with a stand-in for the hotkey service (rune_listener.exe)
// and, for the hang check, a window whose thread stopped answering (rune_hung.exe).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/desktop.h"
#include "common/listener.h"
#include "common/process.h"

namespace runetest {
namespace {

// Hang checks, not speed checks: generous bounds.
constexpr DWORD kRunLimitMs = 30000;
constexpr ULONGLONG kPromptMs = 15000;

std::string RunestopCommand() { return Quote(SiblingExe("runestop.exe")); }

class RunestopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FileExists(SiblingExe("runestop.exe"))) << SiblingExe("runestop.exe");
    }
};

TEST_F(RunestopTest, EachRunSendsOneQuitMessage) {
    Listener listener;
    ASSERT_TRUE(listener.ready());
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        RunResult r = RunProcess(RunestopCommand(), kRunLimitMs);
        ASSERT_TRUE(r.started);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 0u);
        // The broadcast is synchronous: the message is in the log before Runestop has ended.
        EXPECT_EQ(listener.Messages(), std::vector<std::string>(run, "WM_QUIT_HOTRUNE"));
    }
}

TEST_F(RunestopTest, ServiceThatQuitsOnTheMessageEnds) {
    Listener service(/*exitOnQuit=*/true);
    ASSERT_TRUE(service.ready());
    RunResult r = RunProcess(RunestopCommand(), kRunLimitMs);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    DWORD code = 99;
    EXPECT_TRUE(service.process().Wait(10000, &code));
    EXPECT_EQ(code, 0u);
    // A second run finds no service and still ends with status 0.
    RunResult again = RunProcess(RunestopCommand(), kRunLimitMs);
    ASSERT_TRUE(again.finished);
    EXPECT_EQ(again.exitCode, 0u);
}

TEST_F(RunestopTest, WithoutServiceEndsPromptlyWithStatusZero) {
    RunResult r = RunProcess(RunestopCommand(), kRunLimitMs);
    ASSERT_TRUE(r.started);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_LT(r.elapsedMs, kPromptMs);
}

TEST_F(RunestopTest, ArgumentsAreIgnored) {
    Listener listener;
    ASSERT_TRUE(listener.ready());
    RunResult r = RunProcess(RunestopCommand() + " /help --show nonsense", kRunLimitMs);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(listener.Count("WM_QUIT_HOTRUNE"), 1);
}

// Watches the desktop while `commandLine` runs: every top-level window that exists at some poll
// and belongs to the process or has class `className`. Windows cannot be hooked in another
// process from here, so the list is sampled as fast as possible from start to end, and compared
// with what existed before and after.
std::vector<TopWindow> WindowsSeenDuring(const std::string& commandLine, const char* className,
                                         DWORD* exitCode, int* polls) {
    std::vector<TopWindow> before = TopLevelWindows();
    std::vector<TopWindow> seen;
    Process p(commandLine);
    EXPECT_TRUE(p.started());
    *polls = 0;
    const ULONGLONG end = NowMs() + kRunLimitMs;
    auto sample = [&] {
        for (const TopWindow& w : NewWindows(before, TopLevelWindows()))
            if (w.pid == p.pid() || w.className == className) seen.push_back(w);
        ++*polls;
    };
    while (p.Running() && NowMs() < end) sample();
    sample();
    EXPECT_TRUE(p.Wait(0, exitCode));
    return seen;
}

TEST_F(RunestopTest, NeverCreatesAWindow) {
    // The method works: a helper that does make a (briefly living) window is caught.
    DWORD code = 0;
    int polls = 0;
    std::vector<TopWindow> control = WindowsSeenDuring(
        Quote(SiblingExe("rune_hung.exe")) + " --visible --hang-ms 300", "RuneHung", &code, &polls);
    EXPECT_FALSE(control.empty()) << "the window watch missed a real window (" << polls << " polls)";

    Listener listener;  // so Runestop does its whole job while watched
    ASSERT_TRUE(listener.ready());
    std::vector<TopWindow> seen = WindowsSeenDuring(RunestopCommand(), "RUNESTOP", &code, &polls);
    EXPECT_EQ(code, 0u);
    EXPECT_GT(polls, 1);
    for (const TopWindow& w : seen)
        ADD_FAILURE() << "window class \"" << w.className << "\" title \"" << w.title << "\"";
    EXPECT_EQ(listener.Count("WM_QUIT_HOTRUNE"), 1);
}

TEST_F(RunestopTest, HungWindowDelaysButCannotBlockTheBroadcast) {
    Listener listener;  // older, so the newer hung window gets the broadcast first
    ASSERT_TRUE(listener.ready());
    HungWindow hung(120000, /*visible=*/true);
    ASSERT_TRUE(hung.ready());
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        RunResult r = RunProcess(RunestopCommand(), kRunLimitMs);
        ASSERT_TRUE(r.finished) << "Runestop hung behind a window that does not answer";
        EXPECT_EQ(r.exitCode, 0u);
        EXPECT_LT(r.elapsedMs, kPromptMs);
        EXPECT_EQ(listener.Count("WM_QUIT_HOTRUNE"), run);
    }
    EXPECT_TRUE(hung.process().Running());  // it really was hung all along, not gone
}

}  // namespace
}  // namespace runetest
