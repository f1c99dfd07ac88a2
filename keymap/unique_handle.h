// The one move-only owner of a Win32 handle (registry key, icon, bitmap, image list, kernel
// object, COM reference). Each handle has exactly one owner; owners move but never copy.
// It lives in the lowest layer so that every other layer uses this one copy; each handle
// kind brings a traits type:
//
//   struct Traits : HandleTraits<H> {     // HandleTraits supplies Adopt and a null Empty()
//       static void Close(H h);           // releases a handle that is not Empty()
//   };
//
// A traits type may hide Adopt to map a handle kind's second "no handle" value (for example
// INVALID_HANDLE_VALUE) to Empty().
#pragma once

namespace keymap {

template <typename Handle>
struct HandleTraits {
    static constexpr Handle Empty() { return nullptr; }
    // What the owner keeps of a handle it is given.
    static Handle Adopt(Handle h) { return h; }
};

template <typename Handle, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(Traits::Adopt(h)) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::Empty(); }
    // For the out-parameter of an opening call; closes what was held first. The callee writes
    // the raw handle, so Adopt is not applied to it.
    Handle* put() {
        reset();
        return &h_;
    }
    // Gives up ownership without releasing the handle.
    Handle release() {
        Handle h = h_;
        h_ = Traits::Empty();
        return h;
    }
    // Releases the held handle (if any) and takes `h`.
    void reset(Handle h = Traits::Empty()) {
        if (h_ != Traits::Empty()) Traits::Close(h_);
        h_ = Traits::Adopt(h);
    }

private:
    Handle h_ = Traits::Empty();
};

}  // namespace keymap
