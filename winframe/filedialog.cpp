#include "winframe/filedialog.h"

#include <cstring>

#include "winframe/app.h"
#include "winframe/system_dll.h"
#include "winframe/wnd.h"

namespace {
// Room for any path the dialog may return, long ones included, so that a chosen file is
// never lost to a buffer too small.
constexpr size_t kPathRoom = 32768;
}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defExt, const char* fileName,
                         DWORD flags, const char* filter, CWnd* parent)
    : m_ofn(), m_bOpenFileDialog(openFileDialog), m_file(kPathRoom, '\0'), m_pParentWnd(parent) {
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = flags;
    if (defExt) {
        m_defExt = defExt;
        m_ofn.lpstrDefExt = m_defExt.c_str();
    }
    if (fileName) std::memcpy(m_file.data(), fileName, strnlen(fileName, m_file.size() - 1));
    m_ofn.lpstrFile = m_file.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_file.size());
    if (filter) {
        m_filter = filter;
        for (char& c : m_filter)
            if (c == '|') c = '\0';
        // The list ends with two NULs whether or not the text closed with "||".
        m_filter.push_back('\0');
        m_filter.push_back('\0');
        m_ofn.lpstrFilter = m_filter.c_str();
        m_ofn.nFilterIndex = 1;
    }
}

INT_PTR CFileDialog::DoModal() {
    if (!m_bOpenFileDialog) return -1;
    if (m_pParentWnd && m_pParentWnd->m_hWnd) {
        m_ofn.hwndOwner = m_pParentWnd->m_hWnd;
    } else if (CWnd* main = AfxGetMainWnd(); main && main->m_hWnd) {
        m_ofn.hwndOwner = ::GetLastActivePopup(main->m_hWnd);
    } else {
        m_ofn.hwndOwner = nullptr;
    }
    m_ofn.hInstance = AfxGetResourceHandle();
    if (winframe::GetOpenFileNameA(&m_ofn)) return IDOK;
    return winframe::CommDlgExtendedError() == 0 ? IDCANCEL : -1;
}

std::string CFileDialog::GetPathName() const { return std::string(m_file.data()); }
