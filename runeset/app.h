// Runeset's application object: runs the main window modally and ends with it.
#pragma once

#include "winframe/app.h"

class CRunesetApp : public CWinApp {
public:
    CRunesetApp();

    // Runs the main window to its end and returns FALSE, so the program ends without a
    // message loop of its own.
    BOOL InitInstance() override;
};
