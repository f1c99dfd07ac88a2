/* Resource ids of Runeset, shared by runeset.rc and the code. */
#pragma once

/* Dialog templates */
#define IDD_ABOUTBOX            100
#define IDD_RUNESET_DIALOG      102
#define IDD_PAGE1               131
#define IDD_PAGE2               132
#define IDD_PAGE3               133   /* also the RT_DLGINIT data of the key box */

/* Strings */
#define IDS_ABOUTBOX            101   /* "&About Runeset..." */
#define IDS_WIZARD_CAPTION      102   /* "Add New KeyBoard Shortcut" */
#define IDS_HEADER_TITLE        103   /* "Add New KeyBoard Shortcut" */
#define IDS_STEP1_SUBTITLE      104   /* "Select Shortcut type required" */
#define IDS_STEP23_SUBTITLE     105   /* "Select Program or Function to be launched" */
#define IDS_SHORTCUT_HELD       106   /* Step 3's status: another program holds the shortcut */

/* Icons */
#define IDR_MAINFRAME           128
#define IDI_PROGRAM_SHORTCUT    168
#define IDI_FUNCTION_SHORTCUT   169
#define IDI_KEYBOARD            180

/* Icons of the function catalogue (catalogue.cpp) */
#define IDI_CAT_FUNCTIONS       151
#define IDI_CAT_CDTRAY          156
#define IDI_CAT_APPLICATIONS    159
#define IDI_CAT_POWER_GROUP     161
#define IDI_CAT_NOTEPAD         165
#define IDI_CAT_VOLUME          170
#define IDI_CAT_WORDPAD         172
#define IDI_CAT_COMMAND         173
#define IDI_CAT_PAINT           174
#define IDI_CAT_MEDIAPLAYER     175
#define IDI_CAT_VOLUMECONTROL   176
#define IDI_CAT_REGEDIT         177
#define IDI_CAT_POWER           178
#define IDI_CAT_SCREENSAVER     179

/* The list's icon for a target that is neither a file with a shell icon nor a token. */
#define IDI_DEFAULT_LIST        IDI_CAT_POWER

/* Bitmaps */
#define IDB_SIDEBAR             130
#define IDB_WIZARD              142

/* The main window's side picture: its frame in dialog units, which the picture is scaled to
   fill at every DPI (the bitmap itself has the frame's size at 96 DPI). */
#define SIDEBAR_X               247
#define SIDEBAR_Y               0
#define SIDEBAR_W               74
#define SIDEBAR_H               246

/* System menu */
#define IDM_ABOUTBOX            0x0010

/* Controls */
#define IDC_SHORTCUT_LIST       1000
#define IDC_ADD                 1001
#define IDC_REMOVE              1002
#define IDC_PROGRAM_KIND        1004
#define IDC_FUNCTION_KIND       1005
#define IDC_PROGRAM_TEXT        1006
#define IDC_BROWSE              1007
#define IDC_CTRL                1009
#define IDC_ALT                 1010
#define IDC_SHIFT               1011
#define IDC_WIN                 1012
#define IDC_PREVIEW             1018
#define IDC_KEY                 1019
#define IDC_ABOUT               1020
#define IDC_FUNCTION_TREE       1021
#define IDC_PROGRAM_LABEL       1022
#define IDC_SHUTDOWN            1024
#define IDC_STATUS              1025
#define IDC_VISIT_HOMEPAGE      1026
