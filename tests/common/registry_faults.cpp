#include "common/registry_faults.h"

#include "keymap/registry.h"

namespace runetest {

namespace {

struct State {
    RegCall call = RegCall::kCount;
    int nth = 0;
    LONG error = ERROR_ACCESS_DENIED;
    int counts[static_cast<int>(RegCall::kCount)] = {};
    bool fired = false;
};
State g_state;

// Counts the call; true when it is the one that must fail.
bool Fail(RegCall kind) {
    int n = ++g_state.counts[static_cast<int>(kind)];
    if (kind == g_state.call && n == g_state.nth) {
        g_state.fired = true;
        return true;
    }
    return false;
}

const keymap::RegistryCalls& Real() { return keymap::SystemRegistry(); }

LONG WINAPI OpenKey(HKEY key, LPCSTR sub, DWORD options, REGSAM sam, PHKEY out) {
    if (Fail(RegCall::OpenKey)) {
        if (out) *out = nullptr;
        return g_state.error;
    }
    return Real().openKey(key, sub, options, sam, out);
}

LONG WINAPI CreateKey(HKEY key, LPCSTR sub, DWORD reserved, LPSTR cls, DWORD options, REGSAM sam,
                      const LPSECURITY_ATTRIBUTES sa, PHKEY out, LPDWORD disposition) {
    if (Fail(RegCall::CreateKey)) {
        if (out) *out = nullptr;
        return g_state.error;
    }
    return Real().createKey(key, sub, reserved, cls, options, sam, sa, out, disposition);
}

LONG WINAPI QueryValue(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                       LPDWORD size) {
    if (Fail(RegCall::QueryValue)) return g_state.error;
    return Real().queryValue(key, name, reserved, type, data, size);
}

LONG WINAPI SetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                     DWORD size) {
    if (Fail(RegCall::SetValue)) return g_state.error;
    return Real().setValue(key, name, reserved, type, data, size);
}

LONG WINAPI DeleteValue(HKEY key, LPCSTR name) {
    if (Fail(RegCall::DeleteValue)) return g_state.error;
    return Real().deleteValue(key, name);
}

LONG WINAPI CloseKey(HKEY key) {
    // A close always really happens, so no handle leaks even when the count says "fail".
    LONG rc = Real().closeKey(key);
    return Fail(RegCall::CloseKey) ? g_state.error : rc;
}

}  // namespace

RegistryFault::RegistryFault(RegCall call, int nth, LONG error) {
    g_state = State{};
    g_state.call = call;
    g_state.nth = nth;
    g_state.error = error;
    keymap::Registry() = {&OpenKey, &CreateKey, &QueryValue, &SetValue, &DeleteValue, &CloseKey};
}

RegistryFault::~RegistryFault() { keymap::Registry() = keymap::SystemRegistry(); }

int RegistryFault::calls(RegCall kind) const { return g_state.counts[static_cast<int>(kind)]; }

bool RegistryFault::fired() const { return g_state.fired; }

}  // namespace runetest
