// Makes one chosen registry call of the key-mapping store fail, through the seam in
// keymap/registry.h, while every other call goes to the real registry.
#pragma once

#include <windows.h>

namespace runetest {

enum class RegCall { OpenKey, CreateKey, QueryValue, SetValue, DeleteValue, CloseKey, kCount };

// While alive, the store's registry calls are counted per kind; the `nth` call (1-based) of
// kind `call` returns `error` without touching the registry (and, for an open or create, leaves
// the out-handle null). nth 0 fails none; counting goes on either way. The destructor puts the
// real functions back. One at a time per process; neither copyable nor movable.
// Use an error such as ERROR_ACCESS_DENIED: the store reads ERROR_FILE_NOT_FOUND as "no value".
class RegistryFault {
public:
    RegistryFault(RegCall call, int nth, LONG error = ERROR_ACCESS_DENIED);
    ~RegistryFault();
    RegistryFault(const RegistryFault&) = delete;
    RegistryFault& operator=(const RegistryFault&) = delete;

    // How many calls of `kind` the store has made since construction (the failed one included).
    int calls(RegCall kind) const;
    // Whether the chosen call has been reached and failed.
    bool fired() const;
};

}  // namespace runetest
