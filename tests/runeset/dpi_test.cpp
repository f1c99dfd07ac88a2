// runeset.exe started at 150 % scaling (Wine's LogPixels 144 for the user, put back as soon as
// the window is up): the side picture still reaches the bottom and the right-hand edge of the
// main window, with no empty band below it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "common/desktop.h"
#include "common/process.h"
#include "runeset/resource.h"

namespace {

constexpr char kDesktopKey[] = "Control Panel\\Desktop";

// Sets the user's LogPixels and puts back what was there (or removes it) when destroyed.
class LogPixelsGuard {
public:
    explicit LogPixelsGuard(DWORD dpi) {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD size = sizeof saved_, type = 0;
        had_ = RegQueryValueExA(key_, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&saved_), &size) ==
                   ERROR_SUCCESS &&
               type == REG_DWORD;
        RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~LogPixelsGuard() { Restore(); }
    LogPixelsGuard(const LogPixelsGuard&) = delete;
    LogPixelsGuard& operator=(const LogPixelsGuard&) = delete;

    bool ok() const { return key_ != nullptr; }
    void Restore() {
        if (!key_) return;
        if (had_)
            RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved_), sizeof saved_);
        else
            RegDeleteValueA(key_, "LogPixels");
        RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
    DWORD saved_ = 0;
    bool had_ = false;
};

HWND MainWindowOf(DWORD pid) {
    for (const runetest::TopWindow& w : runetest::TopLevelWindows()) {
        if (w.pid == pid && w.visible && GetDlgItem(w.hwnd, IDC_SHORTCUT_LIST)) return w.hwnd;
    }
    return nullptr;
}

TEST(RunesetDpi, TheSidePictureFillsItsFrameAt150Percent) {
    LogPixelsGuard dpi(144);
    ASSERT_TRUE(dpi.ok());
    runetest::Process runeset(runetest::Quote(runetest::SiblingExe("runeset.exe")));
    ASSERT_TRUE(runeset.started());
    HWND main = nullptr;
    const ULONGLONG start = runetest::NowMs();
    while (!(main = MainWindowOf(runeset.pid())) && runetest::NowMs() - start < 20000) Sleep(20);
    dpi.Restore();  // only this start runs scaled
    ASSERT_NE(main, nullptr);

    RECT client;
    GetClientRect(main, &client);
    // The bitmap is 400 pixels high: a main window this tall shows whether it was stretched.
    ASSERT_GT(client.bottom, 500) << "Runeset did not start at 150 % (LogPixels had no effect)";
    HWND picture = nullptr;
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) picture = child;
    }
    ASSERT_NE(picture, nullptr);
    RECT got;
    GetWindowRect(picture, &got);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&got), 2);
    // The frame runs to the window's right-hand edge and past its bottom.
    EXPECT_GE(got.bottom, client.bottom);
    EXPECT_GE(got.right, client.right - 1);
    // The list's columns grow with the rest: 200 and 150 pixels at 100 %.
    HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 300);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 225);

    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(runeset.Wait(10000));
}

}  // namespace
