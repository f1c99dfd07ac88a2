// Owners for the kernel handles and COM interfaces the service keeps: the shared owner with
// a traits type for each kind.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "hotrune/system.h"
#include "keymap/unique_handle.h"

namespace hotrune {

// A kernel object handle (process, thread, mutex, file) closed with CloseHandle. Some calls
// report failure as INVALID_HANDLE_VALUE: it is kept as no handle.
struct KernelHandleTraits : keymap::HandleTraits<HANDLE> {
    static HANDLE Adopt(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueHandle = keymap::UniqueHandle<HANDLE, KernelHandleTraits>;

template <typename T>
struct ComTraits : keymap::HandleTraits<T*> {
    static void Close(T* p) { p->Release(); }
};

// One reference to a COM interface, released once.
template <typename T>
class ComPtr : public keymap::UniqueHandle<T*, ComTraits<T>> {
public:
    T* operator->() const { return this->get(); }
    void** put_void() { return reinterpret_cast<void**>(this->put()); }
};

// Balances a successful CoInitializeEx on this thread.
class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(hotrune::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (ok_) hotrune::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool ok_;
};

}  // namespace hotrune
