/* Resource ids of Runestop, shared by runestop.rc and the code. */
#pragma once

#define IDS_APP_TITLE   103   /* "Runestop" */
#define IDI_RUNESTOP    107   /* 32x32 and 16x16 */
#define IDI_SMALL       108   /* 16x16 */
#define IDC_RUNESTOP    109   /* "RUNESTOP", the window class name */
