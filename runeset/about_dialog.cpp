#include "runeset/about_dialog.h"

#include <string>

#include "runeset/resource.h"

// Must match the "Url" line of template 100.
const char kHomePageUrl[] = "http://www.quillmarsh.example/";

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

bool CAboutDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_VISIT_HOMEPAGE && code == BN_CLICKED) {
        OnVisitHomePage();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CAboutDlg::OnVisitHomePage() {
    const std::string command = std::string("explorer ") + kHomePageUrl;
    ::WinExec(command.c_str(), SW_SHOW);
}
