// What hotrune.exe decides before it serves: whether it may run at all (never elevated over a
// limited user) and whether it is the session's one instance.
#pragma once

#include <windows.h>

#include <string>

#include "hotrune/handles.h"

namespace hotrune {

extern const char kInstanceMutex[];  // "Local\\Quillmarsh.Hotrune.Service"

// Why the service must not run in this process, or empty when it may. It refuses the full
// token of a user who also has a limited one: every unelevated program can write the store,
// so it could have its own targets started with administrator rights.
std::string ElevationRefusal();

enum class InstanceClaim {
    First,           // this process is the instance; `guard` holds the claim for its life
    AlreadyRunning,  // another instance serves the session
};

// Claims the session's single instance under the mutex `name`. A mutex that exists but cannot
// be opened (access denied) is another instance's. While another instance still owns it but
// has no service window (it is ending, or just starting), waits up to `handoverMs` for it to
// end, so that a start during the quit of the old one is not lost.
InstanceClaim ClaimInstance(const char* name, DWORD handoverMs, UniqueHandle& guard);

}  // namespace hotrune
