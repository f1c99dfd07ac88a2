#include "runeset/side_picture.h"

#include <cstring>

namespace runeset {

namespace {

HWND FindBitmapStatic(HWND dialog) {
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = {};
        ::GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && (::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            return child;
    }
    return nullptr;
}

// Selects an object into a memory DC for the scope and puts the old one back.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~Selected() { ::SelectObject(dc_, old_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

struct DcTraits : keymap::HandleTraits<HDC> {
    static void Close(HDC dc) { ::DeleteDC(dc); }
};
using UniqueDc = winframe::UniqueHandle<HDC, DcTraits>;

}  // namespace

winframe::UniqueBitmap ScaledBitmap(HBITMAP source, int cx, int cy) {
    BITMAP info = {};
    if (!source || cx <= 0 || cy <= 0 || !::GetObjectA(source, sizeof info, &info)) return {};
    if (info.bmWidth == cx && info.bmHeight == cy) return {};

    HDC screen = ::GetDC(nullptr);
    winframe::UniqueBitmap scaled(::CreateCompatibleBitmap(screen, cx, cy));
    UniqueDc from(::CreateCompatibleDC(screen));
    UniqueDc to(::CreateCompatibleDC(screen));
    ::ReleaseDC(nullptr, screen);
    if (!scaled || !from || !to) return {};
    {
        const Selected in(from.get(), source);
        const Selected out(to.get(), scaled.get());
        ::SetStretchBltMode(to.get(), HALFTONE);
        ::SetBrushOrgEx(to.get(), 0, 0, nullptr);  // HALFTONE needs it after the mode is set
        if (!::StretchBlt(to.get(), 0, 0, cx, cy, from.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY))
            return {};
    }
    return scaled;
}

winframe::UniqueBitmap FitSidePicture(HWND dialog, RECT frameDlu) {
    HWND picture = FindBitmapStatic(dialog);
    if (!picture) return {};
    // Place and size converted separately, as the dialog manager does for the template.
    RECT place = {frameDlu.left, frameDlu.top, frameDlu.right - frameDlu.left, frameDlu.bottom - frameDlu.top};
    if (!::MapDialogRect(dialog, &place)) return {};
    const int cx = place.right;
    const int cy = place.bottom;

    auto current = reinterpret_cast<HBITMAP>(::SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    winframe::UniqueBitmap scaled = ScaledBitmap(current, cx, cy);
    if (scaled) {
        // The static loaded the template's picture itself; it is ours to delete once replaced.
        const winframe::UniqueBitmap replaced(reinterpret_cast<HBITMAP>(
            ::SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled.get()))));
    }
    ::SetWindowPos(picture, nullptr, place.left, place.top, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
    return scaled;
}

}  // namespace runeset
