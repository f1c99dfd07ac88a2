// Texts and boxes that several of Runeset's windows show.
#pragma once

#include <windows.h>

#include "winframe/wnd.h"

namespace runeset {

// The caption of every box but the store failure's.
constexpr char kCaption[] = "Runeset";

// The store could not be opened, read or written: the same box whichever window meets it.
constexpr char kStoreFailureText[] =
    "An unexpected error occurred while Runeset was trying to read from the system registry";
constexpr char kStoreFailureCaption[] = "Hotrune Error";

inline void ShowStoreFailure(const CWnd& owner) {
    owner.MessageBox(kStoreFailureText, kStoreFailureCaption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace runeset
