// The registry calls the store makes, behind one replaceable table so that a test can make
// any single call fail. Production code never changes the table.
#pragma once

#include <windows.h>

#include "keymap/unique_handle.h"

namespace keymap {

struct RegistryCalls {
    decltype(&::RegOpenKeyExA) openKey;
    decltype(&::RegCreateKeyExA) createKey;
    decltype(&::RegQueryValueExA) queryValue;
    decltype(&::RegSetValueExA) setValue;
    decltype(&::RegDeleteValueA) deleteValue;
    decltype(&::RegCloseKey) closeKey;
};

// The table in force; initially the real Win32 functions.
RegistryCalls& Registry();
// The real Win32 functions, for a test that wraps them.
const RegistryCalls& SystemRegistry();

// Closes a key through the seam, so that a test sees every close the store makes.
struct HKeyTraits : HandleTraits<HKEY> {
    static void Close(HKEY key) { Registry().closeKey(key); }
};
// Owns one open key; closes it through the seam exactly once. Move-only.
using UniqueHKey = UniqueHandle<HKEY, HKeyTraits>;

}  // namespace keymap
