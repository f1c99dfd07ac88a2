#include "keymap/registry.h"

namespace keymap {

const RegistryCalls& SystemRegistry() {
    static const RegistryCalls calls = {&::RegOpenKeyExA,    &::RegCreateKeyExA,
                                        &::RegQueryValueExA, &::RegSetValueExA,
                                        &::RegDeleteValueA,  &::RegCloseKey};
    return calls;
}

RegistryCalls& Registry() {
    static RegistryCalls calls = SystemRegistry();
    return calls;
}

}  // namespace keymap
