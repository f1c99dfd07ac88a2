// hotrune.exe: the resident hotkey service. One instance per user session; a second start
// leaves the running one alone and ends at once.
#include <windows.h>

#include <string>

#include "hotrune/handles.h"
#include "hotrune/notify.h"
#include "hotrune/service.h"
#include "hotrune/startup.h"
#include "keymap/process.h"

namespace {

// How long a start waits for an instance that is ending to be gone.
constexpr DWORD kHandoverMs = 5000;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    keymap::HardenProcess();
    // A resident program must not keep the folder it was started from (a USB stick, a
    // network share) in use for the whole session.
    char system[MAX_PATH];
    const UINT n = ::GetSystemDirectoryA(system, sizeof system);
    if (n && n < sizeof system) ::SetCurrentDirectoryA(system);

    const std::string refusal = hotrune::ElevationRefusal();
    if (!refusal.empty()) {
        ::MessageBoxA(nullptr, refusal.c_str(), hotrune::kMessageCaption, MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    hotrune::UniqueHandle single;
    if (hotrune::ClaimInstance(hotrune::kInstanceMutex, kHandoverMs, single) ==
        hotrune::InstanceClaim::AlreadyRunning)
        return 0;

    hotrune::Service service(instance, hotrune::RepeatsArriveDespiteNoRepeat());
    if (!service.Start()) return 1;
    return service.Run();
}
