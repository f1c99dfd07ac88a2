// Step 3 of the Add wizard: the keys of the shortcut, and saving the record.
#pragma once

#include <string>

#include "winframe/controls.h"
#include "winframe/propsheet.h"

class CPage3 : public CPropertyPageEx {
public:
    CPage3();

    int alreadyAssigned = 0;
    CComboBox keyBox;
    CEdit previewBox;
    std::string previewText;
    int alt = 0;
    int ctrl = 0;
    int shift = 0;
    int win = 0;
    std::string keyText;
    std::string statusText;
    // 1 when the system refused the composed shortcut as held by another program (and it is
    // not one of the table's). Set with alreadyAssigned; Finish asks before saving it.
    int heldElsewhere = 0;

    void UpdatePreview();
    void UpdateStatus();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnWizardFinish() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
};
