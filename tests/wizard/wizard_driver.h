// Drives Runeset's Add wizard inside an in-process run of the main window (ui_driver.h): finds
// the sheet and its current page, reads and sets the pages' controls and presses the sheet's
// own Back, Next and Finish buttons, the way a user would.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui_driver.h"

namespace wizardtest {

// The sheet's buttons.
constexpr int kBack = 0x3023;
constexpr int kNext = 0x3024;
constexpr int kFinish = 0x3025;

// One tree item as the tree shows it.
struct TreeNode {
    HTREEITEM item = nullptr;
    std::string label;
    int image = -1;
    int selectedImage = -1;
    bool expanded = false;
    std::vector<TreeNode> children;
};

class Wizard {
public:
    // Presses "&Add" on the main window and waits for the sheet. Check open().
    Wizard(uidriver::Script& s, HWND main);

    bool open() const { return sheet_ != nullptr; }
    HWND sheet() const { return sheet_; }
    // The current page's window.
    HWND Page();
    // The current step, 1 to 3; 0 when the sheet has no current page.
    int Step();
    // The sheet's Back, Next and Finish buttons that are visible, in that order, each marked
    // "(off)" when disabled: for example "Back Next".
    std::string Buttons();
    // Waits until Step() is `step` and Buttons() is `buttons`; false (with a failure) if not.
    bool WaitFor(int step, const std::string& buttons);

    // Presses one of the sheet's buttons (posted: a message box may follow).
    void Press(int button);
    // Presses a button that must open no box and returns once the sheet has handled the press
    // (sent, not posted), so that what it did or left alone can be checked at once. False when
    // the sheet did not answer within 5 s.
    bool PressAndSettle(int button);
    // Presses `button` and reads the message box that must follow, answering it with `answer`.
    uidriver::MessageBoxInfo PressForBox(int button, int answer = IDOK);
    // Presses Cancel, or Finish when it is expected to close the sheet, and waits until it is gone.
    bool Close(int button = IDCANCEL);

    // ---- Step 1 ----
    void ChooseKind(int kind);  // 0 program, 1 function, as a click on the radio button
    int Kind();                 // the checked radio button's index, -1 for none

    // ---- Step 2 ----
    void SetProgram(const std::string& text);
    std::string Program();
    bool Visible(int id);
    // The tree as it is now, from its only root.
    TreeNode Tree();
    HTREEITEM Find(const std::string& label);
    void Select(HTREEITEM item);
    HTREEITEM Selected();
    std::string Label(HTREEITEM item);

    // ---- Step 3 ----
    bool Checked(int id);
    void SetCheck(int id, bool checked);  // clicks the box when it differs
    void ChooseKey(const std::string& key);  // "" selects nothing
    std::string Key();
    std::string Preview();
    std::string Status();
    std::vector<std::string> KeyItems();

    // Steps 1 to 3 for a program or a function, ready on Step 3.
    bool ToStep3WithProgram(const std::string& path);
    bool ToStep3WithFunction(const std::string& label);

private:
    HWND Control(int id);
    uidriver::Script& s_;
    HWND main_;
    HWND sheet_ = nullptr;
};

}  // namespace wizardtest
