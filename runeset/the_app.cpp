// The program's one application object; the entry point comes from winframe_main.
#include "runeset/app.h"

CRunesetApp theApp;
