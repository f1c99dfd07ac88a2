// Wizard-97 property sheets and their pages. A page is a dialog whose object the sheet's
// page procedure finds through PROPSHEETPAGE::lParam; the sheet's notifications become the
// page's virtual operations below.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "winframe/dialog.h"

class CPropertySheetEx;

// DoModal's answer when a wizard was finished (the Finish button's id).
constexpr INT_PTR ID_WIZFINISH = 0x3025;
// The first value of the wizard-97 sheet flag; the system's headers name the later one
// PSH_WIZARD97. DoModal accepts either.
constexpr DWORD PSH_WIZARD97_FIRST = 0x00002000;

// What OnWizardNext and OnWizardBack answer.
constexpr LRESULT kWizardMove = 0;   // go on to the next (previous) page
constexpr LRESULT kWizardStay = -1;  // stay on this page
// What OnWizardFinish answers when nothing was finished but the wizard must close all the
// same, the page having told the user why (nonzero, like TRUE).
constexpr BOOL kWizardCloseAnyway = -1;

class CPropertyPageEx : public CDialog {
public:
    // `captionId` 0: the page title is the template's caption. The header ids name strings.
    // Pages are marked as having help (PSP_HASHELP), as the application has a Help command.
    explicit CPropertyPageEx(UINT templateId, UINT captionId = 0, UINT headerTitleId = 0,
                             UINT headerSubTitleId = 0);

    // PSN_SETACTIVE. The base pushes all fields into the controls on every activation except
    // the very first in the life of this object. Return TRUE to accept the activation.
    virtual BOOL OnSetActive();
    // PSN_KILLACTIVE. The base pulls all controls into the fields. Return TRUE to let the
    // page be left.
    virtual BOOL OnKillActive();
    // PSN_WIZNEXT. Return kWizardMove to go to the next page, kWizardStay to stay. The base
    // returns kWizardMove.
    virtual LRESULT OnWizardNext();
    // PSN_WIZBACK. Return kWizardMove to go to the previous page, kWizardStay to stay. The
    // base returns kWizardMove.
    virtual LRESULT OnWizardBack();
    // PSN_WIZFINISH. Return TRUE to let the wizard close, FALSE to keep it open, or
    // kWizardCloseAnyway to close it after a failure the page has told. The base returns TRUE.
    virtual BOOL OnWizardFinish();

    PROPSHEETPAGEA m_psp;  // the page's description; the owner may adjust dwFlags

protected:
    // Turns the PSN_ notifications above into the virtual operations; others go unhandled.
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    friend class CPropertySheetEx;
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // The description the sheet hands to the system for one run: resources from `instance`,
    // header texts loaded from their ids, this object as the page procedure's data.
    PROPSHEETPAGEA PrepareRun(HINSTANCE instance);

    CPropertySheetEx* m_pSheet = nullptr;  // not owned; set by AddPage
    bool m_bFirstSetActive = true;
    UINT m_headerTitleId;
    UINT m_headerSubTitleId;
    std::string m_headerTitle;
    std::string m_headerSubTitle;
};

class CPropertySheetEx : public CWnd {
public:
    CPropertySheetEx();  // empty: Construct gives it its caption, parent and bitmaps
    CPropertySheetEx(const CPropertySheetEx&) = delete;
    CPropertySheetEx& operator=(const CPropertySheetEx&) = delete;

    // Sets the caption (string id), parent, start page and the wizard-97 bitmaps. The
    // bitmaps stay owned by the caller and must outlive every DoModal.
    void Construct(UINT captionId, CWnd* parent, UINT selectPage, HBITMAP watermark,
                   HPALETTE palette, HBITMAP header);
    // Adds `page` (not owned; it must outlive the sheet's runs).
    void AddPage(CPropertyPageEx* page);
    // Runs the sheet modally; the window is created anew at each run and m_hWnd names it
    // while it runs (null otherwise). Returns ID_WIZFINISH (a wizard) or IDOK when it was
    // finished, IDCANCEL when it was cancelled, -1 when it could not be shown.
    INT_PTR DoModal();
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPageEx* GetPage(int index) const { return m_pages.at(static_cast<size_t>(index)); }

    PROPSHEETHEADERA m_psh;  // the sheet's description; the owner may adjust dwFlags

private:
    friend class CPropertyPageEx;
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
    CWnd* m_pParentWnd = nullptr;
    UINT m_captionId = 0;
    std::string m_caption;
    std::vector<CPropertyPageEx*> m_pages;
};
