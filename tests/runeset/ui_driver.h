// In-process UI test driver: runs a real dialog modally on the test's main thread while a
// script on a second thread finds its windows, reads them, clicks buttons and answers message
// boxes, the way a user would. Nothing in the product is made for it: it works only through
// window messages and the windows' own state.
//
// Usage (one dialog run):
//
//     uidriver::TestApp app;               // the application object dialogs expect
//     CRunesetDlg dialog;
//     uidriver::RunMainDialog(dialog, [&](uidriver::Script& s) {
//         HWND main = s.MainDialog();                      // waits until it is visible
//         s.Click(main, IDC_REMOVE);                       // posted, never sent
//         uidriver::MessageBoxInfo box = s.ReadMessageBox(s.WaitMessageBox(main));
//         EXPECT_EQ(box.text, "...");
//         s.AnswerAndWait(box.hwnd, IDOK);
//         s.Click(main, IDOK);                             // ends the run
//     });
//
// Rules that keep a test from hanging:
//  - Buttons are pressed with PostMessage (WM_COMMAND), so a handler that opens a modal box
//    never blocks the script. Reads use SendMessageTimeout to the UI thread, whose modal
//    loops (dialog, message box, property sheet) keep answering them.
//  - Every wait has a time limit; a wait that runs out records a test failure and returns null
//    or false.
//  - When the script returns (finished or failed), the driver closes whatever the UI thread
//    still shows (Cancel / No / Close) until the modal run ends; if it cannot, the process
//    ends with status 99 and a message rather than hanging.
// GoogleTest assertions may be used inside the script; a failed ASSERT_ just ends the script.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "winframe/app.h"
#include "winframe/dialog.h"

namespace uidriver {

constexpr DWORD kWaitMs = 10000;  // default limit of one wait

// The one application object of a test process. Registers the common controls, as the
// program's entry point does. Create it before the dialog; dialogs find their owner and the
// wizard pages find the main window through it.
class TestApp : public CWinApp {
public:
    TestApp();
};

enum class IconKind { None, Information, Exclamation, Question, Error, Other };
const char* ToString(IconKind kind);

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
    IconKind icon = IconKind::None;
    std::vector<int> buttons;  // ids of the push buttons present (IDOK, IDCANCEL, IDYES, IDNO ...)
};

// Handed to the script; all of it may be called only from the script's thread.
class Script {
public:
    explicit Script(DWORD uiThread) : uiThread_(uiThread) {}

    DWORD uiThread() const { return uiThread_; }

    // ---- finding windows (all top-level windows of the UI thread) ----
    // The first dialog of the UI thread that has no owner (the main window), once it exists.
    // With `visible`, waits until it is shown too (OnInitDialog has then returned).
    HWND MainDialog(bool visible = true, DWORD timeoutMs = kWaitMs);
    // A visible dialog window (class #32770) owned by `owner` whose title is `title`
    // (any title when null).
    HWND WaitOwnedDialog(HWND owner, const char* title = nullptr, DWORD timeoutMs = kWaitMs);
    // A visible message box owned by `owner`.
    HWND WaitMessageBox(HWND owner, DWORD timeoutMs = kWaitMs);
    // Whether a message box owned by `owner` shows up within `timeoutMs` (no failure if not).
    HWND PollMessageBox(HWND owner, DWORD timeoutMs);
    // Any window matching `match` among the UI thread's top-level windows; no failure if none.
    HWND PollWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs);
    // Waits until `hwnd` no longer exists.
    bool WaitGone(HWND hwnd, DWORD timeoutMs = kWaitMs);
    // Waits until `condition` holds, polling every 20 ms.
    bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs);
    // The visible, enabled dialog windows of the UI thread (the one taking input is last).
    std::vector<HWND> OpenDialogs() const;

    // ---- acting ----
    // Presses button `id` of `dialog` (posted WM_COMMAND/BN_CLICKED with the button's handle).
    void Click(HWND dialog, int id);
    // Sends a system command to `window` (posted WM_SYSCOMMAND).
    void SysCommand(HWND window, UINT command);
    // Presses `id` in a message box (or any dialog) and waits until that window is gone.
    bool AnswerAndWait(HWND box, int id, DWORD timeoutMs = kWaitMs);

    // ---- reading ----
    std::string Text(HWND hwnd);
    MessageBoxInfo ReadMessageBox(HWND box);
    // Waits for a message box owned by `owner`, reads it, presses `answer` and waits until it
    // is gone. The box read (hwnd null when none came).
    MessageBoxInfo ExpectMessageBox(HWND owner, int answer = IDOK, DWORD timeoutMs = kWaitMs);

    // ---- list views ----
    int ListCount(HWND list);
    std::string ListText(HWND list, int row, int column);
    int ListImage(HWND list, int row);                 // the row's image index, -2 on failure
    HIMAGELIST ListImageList(HWND list, int which = LVSIL_SMALL);
    // Selects exactly `rows` (the others are cleared).
    void SelectRows(HWND list, const std::vector<int>& rows);
    std::vector<int> SelectedRows(HWND list);

    // SendMessageTimeout to a UI-thread window; `ok` false when it timed out.
    LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* ok = nullptr);

private:
    DWORD uiThread_;
};

// Runs `dialog.DoModal()` on this thread as the application's main window (the TestApp's
// m_pMainWnd) while `script` runs on a driver thread; then closes anything left open and
// returns DoModal's result. `timeoutMs` bounds the whole script plus the clean-up.
INT_PTR RunMainDialog(CDialog& dialog, const std::function<void(Script&)>& script,
                      DWORD timeoutMs = 60000);

// Runs any modal `run` on this thread while `script` runs on a driver thread (for tests that
// open a dialog some other way). Returns what `run` returned.
INT_PTR RunWithScript(const std::function<INT_PTR()>& run,
                      const std::function<void(Script&)>& script, DWORD timeoutMs = 60000);

// ---- pictures ----
// Image `index` of `images` drawn (ImageList_Draw, ILD_NORMAL) on a fixed background, as
// 0x00RRGGBB pixels row by row. Empty when the index does not exist.
std::vector<std::uint32_t> ImagePixels(HIMAGELIST images, int index);
// `icon` as it looks once appended to a fresh image list of the given size and flags (as
// ImageList_Create takes them), drawn like ImagePixels.
std::vector<std::uint32_t> IconAsListImage(HICON icon, int cx, int cy, UINT flags);

}  // namespace uidriver
