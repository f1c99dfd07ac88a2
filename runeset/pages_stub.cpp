// Placeholder pages so the main window builds while the wizard pages are written; replaced
// by page1.cpp, page2.cpp and page3.cpp.
#include "runeset/page1.h"
#include "runeset/page2.h"
#include "runeset/page3.h"
#include "runeset/resource.h"

CPage1::CPage1() : CPropertyPageEx(IDD_PAGE1, 0, IDS_HEADER_TITLE, IDS_STEP1_SUBTITLE) {}
void CPage1::DoDataExchange(CDataExchange*) {}
BOOL CPage1::OnInitDialog() { return CPropertyPageEx::OnInitDialog(); }
BOOL CPage1::OnSetActive() { return CPropertyPageEx::OnSetActive(); }
LRESULT CPage1::OnWizardNext() { return 0; }

CPage2::CPage2() : CPropertyPageEx(IDD_PAGE2, 0, IDS_HEADER_TITLE, IDS_STEP23_SUBTITLE) {}
void CPage2::OnBrowse() {}
void CPage2::ReadProgramFilesDir() {}
void CPage2::DoDataExchange(CDataExchange*) {}
BOOL CPage2::OnInitDialog() { return CPropertyPageEx::OnInitDialog(); }
BOOL CPage2::OnSetActive() { return CPropertyPageEx::OnSetActive(); }
LRESULT CPage2::OnWizardNext() { return 0; }
bool CPage2::OnCommand(WORD, WORD, HWND) { return false; }

CPage3::CPage3() : CPropertyPageEx(IDD_PAGE3, 0, IDS_HEADER_TITLE, IDS_STEP23_SUBTITLE) {}
void CPage3::UpdatePreview() {}
void CPage3::UpdateStatus() {}
void CPage3::DoDataExchange(CDataExchange*) {}
BOOL CPage3::OnInitDialog() { return CPropertyPageEx::OnInitDialog(); }
BOOL CPage3::OnSetActive() { return CPropertyPageEx::OnSetActive(); }
BOOL CPage3::OnWizardFinish() { return TRUE; }
bool CPage3::OnCommand(WORD, WORD, HWND) { return false; }
