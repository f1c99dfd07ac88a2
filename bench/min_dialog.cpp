// The least a program can do to show a dialog with a list: register the list view class and
// run a dialog of Runeset's size with an empty report list. Runeset's start-up is measured
// against this one's.
#include <windows.h>
#include <commctrl.h>

namespace {

constexpr int kDialogId = 102;

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(hwnd, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(kDialogId), nullptr, &DialogProc, 0);
    return 0;
}
