// How a stored shortcut becomes a system hotkey: its modifier flags and the virtual key of
// its key character on the current keyboard layout.
#pragma once

#include <windows.h>

#include "keymap/keymapping.h"

namespace hotrune {

struct Hotkey {
    UINT modifiers = 0;  // MOD_CONTROL | MOD_ALT | MOD_SHIFT | MOD_WIN, as the record asks
    UINT vk = 0;         // virtual-key code
};

// The virtual key that types `keyChar` on the current layout (VkKeyScanA). Punctuation that
// needs SHIFT or ALTGR on this layout, or that the layout lacks, falls back to the key at
// that character's place on the US layout, so the shortcut stays a single key press.
// 0 when the character is none of the keys a shortcut can use.
UINT VirtualKeyFor(int keyChar);

// The hotkey of a record; false when its key has no virtual key.
bool HotkeyFor(const keymap::KeyMapping& mapping, Hotkey& out);

}  // namespace hotrune
