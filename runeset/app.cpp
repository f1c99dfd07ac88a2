// The program's one application object; the entry point comes from winframe_main.
#include "runeset/app.h"

#include <memory>

#include "keymap/process.h"
#include "runeset/main_dialog.h"

CRunesetApp::CRunesetApp() : CWinApp(nullptr) {}

BOOL CRunesetApp::InitInstance() {
    keymap::HardenProcess();
    Enable3dControlsStatic();
    // The dialog holds its record table and wizard, too much for the stack.
    auto dialog = std::make_unique<CRunesetDlg>();
    m_pMainWnd = dialog.get();
    dialog->DoModal();
    m_pMainWnd = nullptr;  // nothing may reach the dialog once it is gone
    dialog.reset();
    return FALSE;
}

CRunesetApp theApp;
