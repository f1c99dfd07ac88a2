// The About box: product, maker, version and contact lines, and a button that opens the
// maker's home page in the browser.
#pragma once

#include "winframe/dialog.h"

// The maker's home page, as the About box shows it and opens it.
extern const char kHomePageUrl[];

class CAboutDlg : public CDialog {
public:
    // No parent: the owner is the application's main window.
    CAboutDlg();

protected:
    // Binds nothing: the box has no fields.
    void DoDataExchange(CDataExchange* pDX) override;
    // Handles button 1026 (OnVisitHomePage); everything else is the dialog's default.
    bool OnCommand(WORD id, WORD code, HWND control) override;

    // Opens the home page with "explorer <url>". The box stays open; a failure to start the
    // browser is not reported, as there is nothing the user could do about it here.
    void OnVisitHomePage();
};
