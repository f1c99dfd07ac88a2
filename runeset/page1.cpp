#include "runeset/page1.h"

#include "runeset/resource.h"

CPage1::CPage1() : CPropertyPageEx(IDD_PAGE1, 0, IDS_HEADER_TITLE, IDS_STEP1_SUBTITLE) {}

void CPage1::DoDataExchange(CDataExchange* pDX) {
    int radio = static_cast<int>(kind);
    DDX_Radio(pDX, IDC_PROGRAM_KIND, radio);
    kind = static_cast<ShortcutKind>(radio);
}

BOOL CPage1::OnInitDialog() {
    CPropertyPageEx::OnInitDialog();
    // Every run starts with a program shortcut, whatever the last run chose.
    kind = ShortcutKind::Program;
    UpdateData(FALSE);
    return TRUE;
}

BOOL CPage1::OnSetActive() {
    // Posted, so that the buttons change once the page change is complete.
    CurrentWizard().wizard.PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
    return CPropertyPageEx::OnSetActive();
}

LRESULT CPage1::OnWizardNext() {
    UpdateData(TRUE);
    CurrentWizard().pendingKind = kind;
    return kWizardMove;
}
