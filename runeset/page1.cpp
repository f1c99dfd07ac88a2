#include "runeset/page1.h"

#include <stdexcept>

#include "runeset/main_dialog.h"
#include "runeset/resource.h"
#include "winframe/app.h"

CRunesetDlg& WizardOwner() {
    auto* owner = dynamic_cast<CRunesetDlg*>(AfxGetMainWnd());
    if (!owner) throw std::logic_error("The Add wizard can only run from Runeset's main window.");
    return *owner;
}

CPage1::CPage1() : CPropertyPageEx(IDD_PAGE1, 0, IDS_HEADER_TITLE, IDS_STEP1_SUBTITLE) {}

void CPage1::DoDataExchange(CDataExchange* pDX) { DDX_Radio(pDX, IDC_PROGRAM_KIND, kind); }

BOOL CPage1::OnInitDialog() {
    CPropertyPageEx::OnInitDialog();
    // Every run starts with a program shortcut, whatever the last run chose.
    kind = 0;
    UpdateData(FALSE);
    return TRUE;
}

BOOL CPage1::OnSetActive() {
    // Posted, so that the buttons change once the page change is complete.
    WizardOwner().m_wizard.PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
    return CPropertyPageEx::OnSetActive();
}

LRESULT CPage1::OnWizardNext() {
    UpdateData(TRUE);
    WizardOwner().m_pendingKind = kind;
    return 0;
}
