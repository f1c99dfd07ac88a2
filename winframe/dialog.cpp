#include "winframe/dialog.h"

#include <cstring>
#include <exception>
#include <new>

#include "winframe/app.h"

// ---- data exchange ----------------------------------------------------------------------

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) { control.m_hWnd = pDX->Control(id); }

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
    CWnd control(pDX->Control(id));
    if (pDX->m_bSaveAndValidate)
        value = control.GetWindowText();
    else
        control.SetWindowText(value.c_str());
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    HWND control = pDX->Control(id);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int id, int& value) {
    HWND control = pDX->Control(id);
    if (!control) return;
    if (pDX->m_bSaveAndValidate) value = -1;
    int index = 0;
    do {
        if (::SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (value == -1 && ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED)
                    value = index;
            } else {
                ::SendMessageA(control, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    } while (control && !(::GetWindowLongA(control, GWL_STYLE) & WS_GROUP));
}

void DDX_CBString(CDataExchange* pDX, int id, std::string& value) {
    CWnd control(pDX->Control(id));
    if (pDX->m_bSaveAndValidate) {
        value = control.GetWindowText();
    } else if (value.empty()) {
        // An empty prefix would match the first item; an empty value means no selection.
        control.SendMessage(CB_SETCURSEL, static_cast<WPARAM>(-1));
    } else if (control.SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(value.c_str())) == CB_ERR) {
        // No item begins with it: an editable box shows the text, a drop-down list ignores it.
        control.SetWindowText(value.c_str());
    }
}

// ---- dialogs ----------------------------------------------------------------------------

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    HWND owner = nullptr;
    if (m_pParentWnd) {
        owner = m_pParentWnd->m_hWnd;
    } else if (CWnd* main = AfxGetMainWnd(); main && main != this && main->m_hWnd) {
        owner = ::GetLastActivePopup(main->m_hWnd);
    }
    return ::DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), owner,
                             &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    if (!m_hWnd) return FALSE;
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnCommand(WORD, WORD, HWND) { return false; }

bool CDialog::OnNotify(NMHDR*, LRESULT&) { return false; }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void CDialog::ExecuteDlgInit(UINT id) {
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(240));
    if (!found) return;
    HGLOBAL loaded = ::LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
    if (!data) return;
    const BYTE* end = data + ::SizeofResource(module, found);
    // Entries: control id (WORD), message (WORD), data length (DWORD), data; a 0 id ends them.
    while (end - data >= 8) {
        WORD control, message;
        DWORD length;
        std::memcpy(&control, data, 2);
        std::memcpy(&message, data + 2, 2);
        std::memcpy(&length, data + 4, 4);
        if (control == 0) break;
        data += 8;
        if (static_cast<size_t>(end - data) < length) break;
        UINT translated = message == 0x0403 ? CB_ADDSTRING : message == 0x0401 ? LB_ADDSTRING : 0;
        // Only NUL-terminated strings are passed on, so a damaged entry cannot overrun.
        if (translated && length > 0 && data[length - 1] == '\0')
            ::SendDlgItemMessageA(m_hWnd, control, translated, 0, reinterpret_cast<LPARAM>(data));
        data += length;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Route(msg == WM_INITDIALOG ? reinterpret_cast<CDialog*>(lp) : nullptr, hwnd, msg, wp, lp);
}

namespace {

void ReportFailure(HWND hwnd, const char* what) {
    CWinApp* app = AfxGetApp();
    ::MessageBoxA(hwnd, what, app ? app->m_pszAppName : nullptr, MB_OK | MB_ICONEXCLAMATION);
}

// Messages whose dialog-procedure return value is the result itself.
bool ReturnsResultDirectly(UINT msg) {
    switch (msg) {
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return true;
        default:
            return false;
    }
}

}  // namespace

INT_PTR CDialog::Route(CDialog* self, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG && self) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->m_hWnd = hwnd;
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    INT_PTR answer = FALSE;
    try {
        answer = self->Dispatch(msg, wp, lp);
    } catch (const std::bad_alloc&) {
        ReportFailure(hwnd, "There is not enough memory to complete this operation.");
    } catch (const std::exception& e) {
        ReportFailure(hwnd, e.what());
    } catch (...) {
        ReportFailure(hwnd, "An unexpected error occurred.");
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return answer;
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    bool handled = OnMessage(msg, wp, lp, result);
    if (!handled) {
        switch (msg) {
            case WM_INITDIALOG:
                ExecuteDlgInit(m_nIDTemplate);
                return OnInitDialog();
            case WM_COMMAND: {
                WORD id = LOWORD(wp), code = HIWORD(wp);
                HWND control = reinterpret_cast<HWND>(lp);
                if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
                    if (id == IDOK) OnOK(); else OnCancel();
                    return TRUE;
                }
                return OnCommand(id, code, control) ? TRUE : FALSE;
            }
            case WM_NOTIFY:
                handled = OnNotify(reinterpret_cast<NMHDR*>(lp), result);
                break;
            default:
                break;
        }
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(msg)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
