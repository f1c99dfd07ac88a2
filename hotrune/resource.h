/* Resource ids of hotrune.exe, shared by hotrune.rc and the code. Plain #defines: the
   resource compiler reads this file too. */
#pragma once

#define IDI_HOTRUNE 100
