// Another program that holds a system hotkey, as a real separate process on the test desktop:
//   rune_hotkey_holder.exe --modifiers N --vk N [--try] [--ready-event NAME] [--release-event NAME]
// It registers the hotkey for its thread; on failure it ends at once with status 9 (held by
// someone else, error 1409) or 2 (any other error). With --try it releases it again and ends
// with 0; otherwise it sets the ready event and holds the hotkey until the release event is set.
#pragma once

#include <windows.h>

#include "common/process.h"

namespace wizardtest {

// Holds the hotkey from construction until Release() or destruction. Neither copyable nor movable.
class HotkeyHolder {
public:
    HotkeyHolder(UINT modifiers, UINT vk);
    ~HotkeyHolder();
    HotkeyHolder(const HotkeyHolder&) = delete;
    HotkeyHolder& operator=(const HotkeyHolder&) = delete;

    // The helper registered the hotkey and holds it (waits up to 20 s).
    bool holding() const { return holding_; }
    // Lets the hotkey go; true once the helper has released it and ended.
    bool Release();

private:
    runetest::Process process_;
    HANDLE release_ = nullptr;
    bool holding_ = false;
};

// Whether another process can register the hotkey right now: the helper's status with --try
// (0 free, 9 held elsewhere, 2 another error; 1 when it could not be run).
DWORD TryRegisterElsewhere(UINT modifiers, UINT vk);

}  // namespace wizardtest
