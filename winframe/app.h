// The application object: exactly one per program, constructed before WinMain runs.
#pragma once

#include <windows.h>

class CWnd;

// The platform's Help command id.
constexpr UINT ID_HELP = 57670;

class CWinApp {
public:
    // `appName` may be null; the object registers itself as the program's one application.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once by the program's entry point after m_hInstance is set. Return TRUE to run
    // the application's message loop, FALSE to end the program at once (a dialog application
    // runs its dialog modally in here and returns FALSE).
    virtual BOOL InitInstance();
    // The message loop after a TRUE InitInstance; returns the program's exit status.
    virtual int Run();
    // The Help command's default handler. No help file ships, so it does nothing.
    virtual void OnHelp() {}

    // Kept so that start-up reads as intended; the system's controls are three-dimensional
    // already, so there is nothing to switch on. Always TRUE.
    BOOL Enable3dControlsStatic() { return TRUE; }

    CWnd* GetMainWnd() const { return m_pMainWnd; }

    CWnd* m_pMainWnd = nullptr;        // not owned
    HINSTANCE m_hInstance = nullptr;   // the module whose resources the dialogs use
    const char* m_pszAppName = nullptr;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The module holding the program's resources.
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// What WinMain does: set the instance, call InitInstance, then Run if it asked to.
int AfxWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
