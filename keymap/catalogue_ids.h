/* Icon resources of the function catalogue. Plain #defines: the resource compiler reads
   this file too (through runeset/resource.h). */
#pragma once

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
