// The only link to the resident hotkey service: two registered window messages broadcast
// to every top-level window, with wParam 0 and lParam 0.
#pragma once

#include <windows.h>

namespace keymap {

extern const char kReloadMappingsMessage[];  // "WM_RELOADMAPPINGS": reread the store
extern const char kQuitHotruneMessage[];     // "WM_QUIT_HOTRUNE": end the service

// How long one hung top-level window may hold up a broadcast.
constexpr UINT kBroadcastTimeoutMs = 2000;

// Sends `message` to HWND_BROADCAST and returns once every responsive top-level window has
// handled it. A window that does not answer is given up on after kBroadcastTimeoutMs, so a
// hung program elsewhere on the desktop cannot freeze ours.
void Broadcast(UINT message);

}  // namespace keymap
