// The registry calls the store makes, behind one replaceable table so that a test can make
// any single call fail. Production code never changes the table.
#pragma once

#include <windows.h>

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

// Owns one open key; closes it through the seam exactly once. Move-only.
class UniqueHKey {
public:
    UniqueHKey() = default;
    explicit UniqueHKey(HKEY key) : key_(key) {}
    UniqueHKey(UniqueHKey&& other) noexcept : key_(other.release()) {}
    UniqueHKey& operator=(UniqueHKey&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;
    ~UniqueHKey() { reset(); }

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }
    // For the out-parameter of an open call; closes what was held first.
    HKEY* put() {
        reset();
        return &key_;
    }
    HKEY release() {
        HKEY k = key_;
        key_ = nullptr;
        return k;
    }
    void reset(HKEY key = nullptr) {
        if (key_) Registry().closeKey(key_);
        key_ = key;
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace keymap
