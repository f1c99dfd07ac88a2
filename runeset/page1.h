// Step 1 of the Add wizard: a program or a function shortcut.
#pragma once

#include "runeset/wizard_state.h"
#include "winframe/propsheet.h"

class CPage1 : public CPropertyPageEx {
public:
    CPage1();

    ShortcutKind kind = ShortcutKind::None;  // the radio group

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;
};
