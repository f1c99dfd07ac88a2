// The main window's side picture fills the frame the template gives it, whatever size dialog
// units have at the system's DPI.
#include <windows.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "common/scratch_hkcu.h"
#include "runeset/main_dialog.h"
#include "runeset/resource.h"
#include "runeset/side_picture.h"
#include "ui_driver.h"

namespace {

// A cx x cy picture, red above its middle and blue below.
HBITMAP TwoColourBitmap(int cx, int cy) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, cx, cy);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT top = {0, 0, cx, cy / 2}, bottom = {0, cy / 2, cx, cy};
    FillRect(dc, &top, red);
    FillRect(dc, &bottom, blue);
    DeleteObject(red);
    DeleteObject(blue);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

SIZE SizeOf(HBITMAP bitmap) {
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return colour;
}

TEST(SidePicture, IsScaledToEachFrameSizeWithItsContentInPlace) {
    winframe::UniqueBitmap source(TwoColourBitmap(111, 400));
    ASSERT_TRUE(source);
    // The frame at 100 %: the picture fits as it is and nothing new is made.
    EXPECT_FALSE(runeset::ScaledBitmap(source.get(), 111, 400));
    const SIZE frames[] = {{167, 600}, {222, 800}, {56, 200}};
    for (const SIZE& frame : frames) {
        SCOPED_TRACE(std::to_string(frame.cx) + "x" + std::to_string(frame.cy));
        winframe::UniqueBitmap scaled = runeset::ScaledBitmap(source.get(), frame.cx, frame.cy);
        ASSERT_TRUE(scaled);
        const SIZE got = SizeOf(scaled.get());
        EXPECT_EQ(got.cx, frame.cx);
        EXPECT_EQ(got.cy, frame.cy);
        EXPECT_EQ(PixelOf(scaled.get(), frame.cx / 2, frame.cy / 4), RGB(255, 0, 0));
        EXPECT_EQ(PixelOf(scaled.get(), frame.cx / 2, frame.cy * 3 / 4), RGB(0, 0, 255));
        EXPECT_EQ(PixelOf(scaled.get(), frame.cx - 1, frame.cy - 1), RGB(0, 0, 255));
    }
    EXPECT_FALSE(runeset::ScaledBitmap(nullptr, 10, 10));
    EXPECT_FALSE(runeset::ScaledBitmap(source.get(), 0, 10));
}

class MainWindowPicture : public runetest::ScratchHkcuTest {};

TEST_F(MainWindowPicture, FillsItsFrameInTheRunningMainWindow) {
    CRunesetDlg dialog;
    uidriver::RunMainDialog(dialog, [&](uidriver::Script& s) {
        HWND main = s.MainDialog();
        ASSERT_NE(main, nullptr);
        HWND picture = nullptr;
        for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) picture = child;
        }
        ASSERT_NE(picture, nullptr);
        RECT place = {SIDEBAR_X, SIDEBAR_Y, SIDEBAR_W, SIDEBAR_H};
        MapDialogRect(main, &place);
        RECT got;
        GetWindowRect(picture, &got);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(got.left, place.left);
        EXPECT_EQ(got.top, place.top);
        EXPECT_EQ(got.right - got.left, place.right);
        EXPECT_EQ(got.bottom - got.top, place.bottom);
        auto image = reinterpret_cast<HBITMAP>(s.Send(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_NE(image, nullptr);
        const SIZE size = SizeOf(image);
        EXPECT_EQ(size.cx, place.right);
        EXPECT_EQ(size.cy, place.bottom);
        s.Click(main, IDOK);
    });
}

}  // namespace
