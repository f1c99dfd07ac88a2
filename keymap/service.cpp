#include "keymap/service.h"

namespace keymap {

const char kReloadMappingsMessage[] = "WM_RELOADMAPPINGS";
const char kQuitHotruneMessage[] = "WM_QUIT_HOTRUNE";

void Broadcast(UINT message) {
    if (message == 0) return;  // registration failed: there is nothing to send
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, message, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                        kBroadcastTimeoutMs, &ignored);
}

}  // namespace keymap
