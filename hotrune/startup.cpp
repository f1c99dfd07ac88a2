#include "hotrune/startup.h"

#include "hotrune/service.h"
#include "hotrune/system.h"

namespace hotrune {

// "Local\\": one per session, which is one per interactive user.
const char kInstanceMutex[] = "Local\\Quillmarsh.Hotrune.Service";

std::string ElevationRefusal() {
    if (!System().elevatedSplitToken()) return std::string();
    return "Hotrune was started with administrator rights, and it does not run that way: any "
           "program could then have its own shortcuts started with those rights.\n"
           "Start Hotrune without \"Run as administrator\" (for example from the Start menu "
           "or at sign-in).";
}

InstanceClaim ClaimInstance(const char* name, DWORD handoverMs, UniqueHandle& guard) {
    guard.reset();
    UniqueHandle mutex(::CreateMutexA(nullptr, FALSE, name));
    if (!mutex) {
        // Made by a process with other rights (another instance started elevated, or under
        // another account in this session): it is running.
        if (::GetLastError() == ERROR_ACCESS_DENIED) return InstanceClaim::AlreadyRunning;
        // No mutex to be had at all: better serve without the guard than not at all.
        return InstanceClaim::First;
    }
    DWORD wait = ::WaitForSingleObject(mutex.get(), 0);
    if (wait == WAIT_TIMEOUT && !::FindWindowA(kWindowClass, nullptr))
        wait = ::WaitForSingleObject(mutex.get(), handoverMs);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        guard = std::move(mutex);
        return InstanceClaim::First;
    }
    return InstanceClaim::AlreadyRunning;
}

}  // namespace hotrune
