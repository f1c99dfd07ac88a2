// Placeholder until the property sheet is written: constructs, never shows.
#include "winframe/propsheet.h"

CPropertyPageEx::CPropertyPageEx(UINT templateId, UINT, UINT headerTitleId, UINT headerSubTitleId)
    : CDialog(templateId), m_psp(), m_headerTitleId(headerTitleId), m_headerSubTitleId(headerSubTitleId) {}
BOOL CPropertyPageEx::OnSetActive() { return TRUE; }
BOOL CPropertyPageEx::OnKillActive() { return TRUE; }
LRESULT CPropertyPageEx::OnWizardNext() { return 0; }
LRESULT CPropertyPageEx::OnWizardBack() { return 0; }
BOOL CPropertyPageEx::OnWizardFinish() { return TRUE; }
bool CPropertyPageEx::OnNotify(NMHDR*, LRESULT&) { return false; }
INT_PTR CALLBACK CPropertyPageEx::PageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
CPropertySheetEx::CPropertySheetEx() : m_psh() {}
void CPropertySheetEx::Construct(UINT, CWnd*, UINT, HBITMAP, HPALETTE, HBITMAP) {}
void CPropertySheetEx::AddPage(CPropertyPageEx* page) { m_pages.push_back(page); }
INT_PTR CPropertySheetEx::DoModal() { return IDCANCEL; }
