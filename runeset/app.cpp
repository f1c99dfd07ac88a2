#include "runeset/app.h"

#include <memory>

#include "keymap/process.h"
#include "runeset/main_dialog.h"
#include "runeset/messages.h"

// The name captions the framework's own boxes (an error caught in a window procedure); with
// none the system would caption them "Error".
CRunesetApp::CRunesetApp() : CWinApp(runeset::kCaption) {}

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
