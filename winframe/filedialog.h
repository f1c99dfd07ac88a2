// The system's open-file dialog with the construction the dialogs of this program expect.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

class CWnd;

class CFileDialog {
public:
    // `defExt` and `fileName` may be null. `filter` pairs descriptions and patterns with |
    // between them ("Text (*.txt)|*.txt|All Files (*.*)|*.*||"); null shows every file.
    // `parent` null: the owner is the main window's last active pop-up. Only the open dialog
    // is provided: `openFileDialog` must be TRUE.
    CFileDialog(BOOL openFileDialog, const char* defExt = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                const char* filter = nullptr, CWnd* parent = nullptr);
    // m_ofn points into this object.
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // Runs the dialog (GetOpenFileNameA). IDOK when a file was chosen, IDCANCEL when the
    // user cancelled, -1 when the dialog could not be shown.
    INT_PTR DoModal();
    // The full path chosen by the last DoModal that returned IDOK.
    std::string GetPathName() const;

    // The dialog's description; the caller may set lpstrInitialDir (kept as a pointer: the
    // text must outlive DoModal) and lpstrTitle before DoModal.
    OPENFILENAMEA m_ofn;

private:
    BOOL m_bOpenFileDialog;
    std::string m_defExt;
    std::string m_filter;         // NUL-separated, as the system reads it
    std::vector<char> m_file;     // the path in and out
    CWnd* m_pParentWnd;           // not owned
};
