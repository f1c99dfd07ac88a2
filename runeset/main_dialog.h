// Runeset's main window: the list of shortcuts and its buttons. It also owns what the Add
// wizard's pages share: the table of loaded records and the wizard state.
#pragma once

#include "runeset/page1.h"
#include "runeset/page2.h"
#include "runeset/page3.h"
#include "runeset/wizard_state.h"
#include "winframe/controls.h"
#include "winframe/dialog.h"
#include "winframe/propsheet.h"

class CRunesetDlg : public CDialog {
public:
    explicit CRunesetDlg(CWnd* parent = nullptr);

    // Rebuilds the image list, the rows and the table from the store. 0 after a load, -1 when
    // the store could not be opened (the user has been told).
    int ReloadList();

    UINT m_quitMessage = 0;    // registered "WM_QUIT_HOTRUNE"
    UINT m_reloadMessage = 0;  // registered "WM_RELOADMAPPINGS"
    KeyMappingTable m_table;
    CBitmap m_watermarkBitmap;
    CBitmap m_headerBitmap;
    CBitmap m_sidePicture;  // the side picture scaled to its frame, when the DPI needs it
    CPage3 m_page3;
    CPage2 m_page2;
    CPage1 m_page1;
    WizardState m_wizardState;  // after the pages: the wizard ends before them
    CImageList m_images;
    CListCtrl m_list;
    HICON m_programIcon;                                 // shared resource icon

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnAdd();
    void OnRemove();
    void OnAbout();
    void OnShutdown();
};
