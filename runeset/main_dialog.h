// Runeset's main window: the list of shortcuts and its buttons. It also owns what the Add
// wizard's pages share: the table of loaded records and the wizard state.
#pragma once

#include <array>
#include <string>

#include "keymap/keymapping.h"
#include "runeset/page1.h"
#include "runeset/page2.h"
#include "runeset/page3.h"
#include "winframe/controls.h"
#include "winframe/dialog.h"
#include "winframe/propsheet.h"

constexpr int kMaxRecords = 100;

class CRunesetDlg : public CDialog {
public:
    explicit CRunesetDlg(CWnd* parent = nullptr);

    // Rebuilds the image list, the rows and the table from the store. 0 after a load, -1 when
    // the store could not be opened (the user has been told).
    int ReloadList();

    UINT m_quitMessage = 0;    // registered "WM_QUIT_HOTRUNE"
    UINT m_reloadMessage = 0;  // registered "WM_RELOADMAPPINGS"
    std::string m_pendingTarget;                         // WizardState: written by Step 2
    std::array<keymap::KeyMapping, kMaxRecords> m_records;  // KeyMappingTable
    // The stored text of each row as of the last reload: Remove names the record it removes
    // by it, in case another program has changed the store since.
    std::array<std::string, kMaxRecords> m_storedTexts;
    int m_pendingKind = 0;                               // WizardState: written by Step 1
    CBitmap m_watermarkBitmap;
    CBitmap m_headerBitmap;
    CBitmap m_sidePicture;  // the side picture scaled to its frame, when the DPI needs it
    CPage3 m_page3;
    CPage2 m_page2;
    CPage1 m_page1;
    CPropertySheetEx m_wizard;                           // WizardState: the Add wizard
    int m_count = 0;                                     // KeyMappingTable count
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
