// Owners for the GDI and image-list handles the dialogs keep: the shared owner with a
// traits type for each kind.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "keymap/unique_handle.h"

namespace winframe {

using keymap::UniqueHandle;

struct IconTraits : keymap::HandleTraits<HICON> {
    static void Close(HICON h) { ::DestroyIcon(h); }
};
struct GdiTraits : keymap::HandleTraits<HBITMAP> {
    static void Close(HBITMAP h) { ::DeleteObject(h); }
};
struct ImageListTraits : keymap::HandleTraits<HIMAGELIST> {
    static void Close(HIMAGELIST h) { ::ImageList_Destroy(h); }
};

// For icons the caller must destroy (for example from SHGetFileInfoA); never for LoadIconA's
// shared resource icons.
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiTraits>;
using UniqueImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;

}  // namespace winframe
