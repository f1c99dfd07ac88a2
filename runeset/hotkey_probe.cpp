#include "runeset/hotkey_probe.h"

#include <windows.h>

#include "hotrune/keys.h"

namespace runeset {

namespace {

// Thread hotkeys take ids below 0xC000; Runeset's thread registers no other.
constexpr int kProbeId = 0x5253;

}  // namespace

HotkeyProbe ProbeHotkey(const keymap::KeyMapping& shortcut) {
    hotrune::Hotkey hotkey;
    if (!hotrune::HotkeyFor(shortcut, hotkey)) return HotkeyProbe::Unknown;
    // The service registers with MOD_NOREPEAT; so does the probe, to ask the same question.
    if (::RegisterHotKey(nullptr, kProbeId, hotkey.modifiers | MOD_NOREPEAT, hotkey.vk)) {
        ::UnregisterHotKey(nullptr, kProbeId);
        // A press in that instant would leave a WM_HOTKEY for no window in the queue.
        MSG stray;
        while (::PeekMessageA(&stray, reinterpret_cast<HWND>(-1), WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
        }
        return HotkeyProbe::Free;
    }
    return ::GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED ? HotkeyProbe::Held : HotkeyProbe::Unknown;
}

}  // namespace runeset
