// The main window's and the About box's templates as the dialog manager builds them from the
// program's resources: every control's class, id, text, place, style and tab stop, and the
// windows' own caption, size, styles and font.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runeset/resource.h"

namespace {

struct Control {
    const char* cls;
    int id;
    const char* text;  // nullptr: not compared (pictures)
    RECT dlu;          // left, top, width, height
    bool sizeFixed;    // false for pictures, which take their picture's size
    LONG typeStyle;    // the control's own type bits (button or static type), as masked below
    LONG extraStyle;   // further style bits that must be set
    bool tabStop;
};

constexpr LONG kStaticType = SS_TYPEMASK;
constexpr LONG kButtonType = BS_TYPEMASK;

INT_PTR CALLBACK Quiet(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

std::string TextOf(HWND hwnd) {
    char buffer[256] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND hwnd) {
    char buffer[64] = {};
    GetClassNameA(hwnd, buffer, sizeof buffer);
    return buffer;
}

void CheckTemplate(int templateId, const char* caption, int cx, int cy, LONG style, LONG exStyle,
                   const std::vector<Control>& controls) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, Quiet, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(dialog), caption);
    EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & style, style);
    EXPECT_EQ(GetWindowLongA(dialog, GWL_EXSTYLE) & exStyle, exStyle);
    RECT size = {0, 0, cx, cy}, client;
    MapDialogRect(dialog, &size);
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");

    size_t i = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++i) {
        ASSERT_LT(i, controls.size()) << "more controls than expected";
        const Control& c = controls[i];
        SCOPED_TRACE(std::string("control ") + std::to_string(i) + " " + (c.text ? c.text : c.cls));
        EXPECT_EQ(ClassOf(child), c.cls);
        EXPECT_EQ(static_cast<WORD>(GetDlgCtrlID(child)), static_cast<WORD>(c.id));
        if (c.text) {
            EXPECT_EQ(TextOf(child), c.text);
        }
        // The dialog manager converts place and size separately, each rounded on its own.
        RECT want = c.dlu;
        MapDialogRect(dialog, &want);
        want.right += want.left;
        want.bottom += want.top;
        RECT got;
        GetWindowRect(child, &got);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(got.left, want.left);
        EXPECT_EQ(got.top, want.top);
        if (c.sizeFixed) {
            EXPECT_EQ(got.right, want.right);
            EXPECT_EQ(got.bottom, want.bottom);
        }
        const LONG childStyle = GetWindowLongA(child, GWL_STYLE);
        const LONG typeMask = std::string(c.cls) == "Static" ? kStaticType
                            : std::string(c.cls) == "Button" ? kButtonType : 0;
        if (typeMask) {
            EXPECT_EQ(childStyle & typeMask, c.typeStyle);
        }
        EXPECT_EQ(childStyle & c.extraStyle, c.extraStyle);
        EXPECT_EQ((childStyle & WS_TABSTOP) != 0, c.tabStop);
    }
    EXPECT_EQ(i, controls.size());
    DestroyWindow(dialog);
}

TEST(TemplatesTest, MainWindow) {
    const LONG none = 0;
    CheckTemplate(IDD_RUNESET_DIALOG, " Runeset v1.0", 321, 234,
                  WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME,
                  WS_EX_APPWINDOW,
                  {
                      {WC_LISTVIEWA, IDC_SHORTCUT_LIST, "", {1, 1, 243, 232}, true, none,
                       LVS_REPORT, true},
                      {"Static", -1, nullptr, {247, 0, 74, 246}, false, SS_BITMAP, none, false},
                      {"Button", IDC_ADD, "&Add", {251, 7, 65, 16}, true, BS_PUSHBUTTON, none, true},
                      {"Button", IDC_REMOVE, "&Remove", {251, 24, 65, 17}, true, BS_PUSHBUTTON, none, true},
                      {"Button", IDC_ABOUT, "Abo&ut", {251, 174, 68, 17}, true, BS_PUSHBUTTON, none, true},
                      {"Button", IDC_SHUTDOWN, "&Shutdown", {251, 192, 67, 17}, true, BS_PUSHBUTTON, none, true},
                      {"Button", IDOK, "&Done", {251, 210, 67, 16}, true, BS_PUSHBUTTON, none, true},
                  });
    // Several rows may be selected, rows keep store order, and the image list is not shared.
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RUNESET_DIALOG),
                                     nullptr, Quiet, 0);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, IDC_SHORTCUT_LIST);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) &
                  (LVS_SINGLESEL | LVS_SHAREIMAGELISTS | LVS_SORTASCENDING | LVS_SORTDESCENDING),
              0);
    EXPECT_TRUE(GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    // The border: the dialog manager may turn WS_BORDER into a client edge.
    EXPECT_TRUE((GetWindowLongA(list, GWL_STYLE) & WS_BORDER) ||
                (GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    DestroyWindow(dialog);
    char about[64] = {};
    LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about);
    EXPECT_STREQ(about, "&About Runeset...");
}

TEST(TemplatesTest, AboutBox) {
    const LONG none = 0;
    const LONG line = SS_SUNKEN;
    CheckTemplate(
        IDD_ABOUTBOX, "About Hotrune v1.0", 296, 202, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, none,
        {
            {"Button", -1, "", {7, 0, 282, 46}, true, BS_GROUPBOX, none, false},
            {"Static", -1, nullptr, {32, 15, 20, 20}, false, SS_ICON, none, false},
            {"Static", -1, "Hotrune   v1.0", {121, 20, 54, 10}, true, SS_LEFT, none, false},
            {"Static", -1, "Quillmarsh Presents ", {7, 62, 282, 11}, true, SS_CENTER, line, false},
            {"Static", -1, "Product Name   :    Hotrune", {7, 76, 282, 11}, true, SS_LEFTNOWORDWRAP, line, false},
            {"Static", -1, "Version              :   1.0", {7, 90, 282, 11}, true, SS_LEFTNOWORDWRAP, line, false},
            {"Static", -1, nullptr, {7, 104, 282, 11}, true, SS_LEFTNOWORDWRAP, line, false},
            {"Static", -1, nullptr, {7, 118, 282, 11}, true, SS_LEFTNOWORDWRAP, line, false},
            {"Static", -1, nullptr, {7, 132, 282, 11}, true, SS_LEFTNOWORDWRAP, line, false},
            {"Static", -1, "", {7, 147, 282, 11}, true, SS_LEFTNOWORDWRAP, line, false},
            {"Button", IDOK, "OK", {239, 162, 50, 16}, true, BS_DEFPUSHBUTTON, none, true},
            {"Button", IDC_VISIT_HOMEPAGE,
             "Check out more FREE utilities at my homepage . Click to Visit Home Page", {7, 182, 282, 18}, true,
             BS_PUSHBUTTON, none, true},
        });
}

}  // namespace
