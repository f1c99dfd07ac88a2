// Modal dialogs from templates, with one static dialog procedure that finds the C++ object
// and forwards to its virtual handlers, and data exchange that moves every bound control of
// a dialog at once.
#pragma once

#include <windows.h>

#include <string>

#include "winframe/wnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
    // The dialog's child control `id`, or null.
    HWND Control(int id) const { return ::GetDlgItem(m_pDlgWnd->m_hWnd, id); }

    BOOL m_bSaveAndValidate;  // TRUE: controls into fields (pull); FALSE: fields into controls (push)
    CWnd* m_pDlgWnd;
};

// Binds `control` to child `id` in both directions; moves no data.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// The control's window text.
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// A check box: 0 clear, 1 checked (2 indeterminate).
void DDX_Check(CDataExchange* pDX, int id, int& value);
// The radio group that starts at `id` and runs to the next control that starts a group:
// pull gives the index of the checked button or -1; push checks button `value` and clears
// the others.
void DDX_Radio(CDataExchange* pDX, int id, int& value);
// A combo box: pull reads its window text (a drop-down list's selected item, or empty);
// push selects the first item that begins with `value`, and selects nothing when it is empty.
void DDX_CBString(CDataExchange* pDX, int id, std::string& value);

class CDialog : public CWnd {
public:
    // `parent` null: the owner is the application's main window, unless that is this dialog.
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the dialog from its template and runs it until EndDialog. Returns the value
    // given to EndDialog, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result) const { ::EndDialog(m_hWnd, result); }
    // Runs DoDataExchange over all bindings: TRUE pulls controls into fields, FALSE pushes
    // fields into controls. Returns FALSE only when the window does not exist.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;  // not owned

protected:
    // WM_INITDIALOG, after the template's dialog-initialisation data has been applied.
    // The base pushes all fields (UpdateData(FALSE)). Return TRUE to let the system give the
    // focus to the first tab stop, FALSE when the handler set the focus itself.
    virtual BOOL OnInitDialog();
    // Lists the bindings; the base binds nothing.
    virtual void DoDataExchange(CDataExchange* pDX);
    // IDOK: the base pulls and ends the dialog with IDOK.
    virtual void OnOK();
    // IDCANCEL (Escape, close box): the base ends the dialog with IDCANCEL.
    virtual void OnCancel();
    // WM_COMMAND other than IDOK/IDCANCEL. Return true when handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    // WM_NOTIFY. Return true when handled and set `result` to the notification's answer.
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    // Every message, first. Return true when handled and set `result` to the message's
    // result; false leaves it to the handlers above and then to the system's defaults.
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Routes one message to `self` (which WM_INITDIALOG attaches to `hwnd`). Exceptions stop
    // here: the user is told and the dialog stays usable. For dialog procedures of derived
    // kinds (property pages) that find the object in their own way.
    static INT_PTR Route(CDialog* self, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // Adds the combo-box and list-box strings of the RT_DLGINIT resource `id`, if any.
    void ExecuteDlgInit(UINT id);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);
};
