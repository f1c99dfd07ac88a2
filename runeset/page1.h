// Step 1 of the Add wizard: a program or a function shortcut.
#pragma once

#include "winframe/propsheet.h"

class CRunesetDlg;

// The main window that owns the wizard and the state its pages share, found as the
// application's main window (never through a page's parent). Throws std::logic_error when
// there is none, which the page's window procedure reports.
CRunesetDlg& WizardOwner();

class CPage1 : public CPropertyPageEx {
public:
    CPage1();

    int kind = -1;  // ShortcutKind of the radio group: 0 program, 1 function, -1 none

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
};
