// hotrune.exe: the resident hotkey service. One instance per user session; a second start
// leaves the running one alone and ends at once.
#include <windows.h>

#include "hotrune/handles.h"
#include "hotrune/service.h"

namespace {

// "Local\\": one per session, which is one per interactive user.
const char kInstanceMutex[] = "Local\\Quillmarsh.Hotrune.Service";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    hotrune::UniqueHandle single(::CreateMutexA(nullptr, FALSE, kInstanceMutex));
    if (single && ::GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    // Shell execution of documents and the volume endpoint use COM.
    hotrune::ComApartment com;
    hotrune::Service service(instance);
    if (!service.Start()) return 1;
    return service.Run();
}
