// The main window's side picture at any DPI. Dialog units grow with the system font, but a
// bitmap static keeps the bitmap's pixel size, which would leave an empty band below the
// picture above 100 % scaling.
#pragma once

#include <windows.h>

#include "winframe/handles.h"

namespace runeset {

// A copy of `source` stretched to cx x cy pixels with halftone filtering; `source` itself when
// it has that size already (nothing is made then: the result is empty). Empty on failure.
winframe::UniqueBitmap ScaledBitmap(HBITMAP source, int cx, int cy);

// Finds the dialog's bitmap static and makes its picture fill `frameDlu` (dialog units of the
// template). Returns the scaled bitmap, which the caller keeps as long as the static lives (a
// static never deletes a picture it was given); empty when the picture fits already or could
// not be made, and the static then keeps its own.
winframe::UniqueBitmap FitSidePicture(HWND dialog, RECT frameDlu);

}  // namespace runeset
