// Whether another program already holds a shortcut as a system hotkey, asked while the user
// composes it, so that a shortcut that could never fire is not accepted silently.
#pragma once

#include "keymap/keymapping.h"

namespace runeset {

enum class HotkeyProbe {
    Free,       // the system accepted it: nothing else holds it now
    Held,       // the system refused it as registered already (by another program or by Windows)
    Unknown,    // refused for another reason (for example a key with no virtual key): tell nothing
};

// Registers the shortcut as a hotkey of the calling thread and, if that succeeds, releases it
// at once. A local call: it neither blocks nor keeps the combination. The key is turned into
// a virtual key by the same rule as the service's, so the probe asks about exactly the hotkey
// the service would register.
HotkeyProbe ProbeHotkey(const keymap::KeyMapping& shortcut);

}  // namespace runeset
