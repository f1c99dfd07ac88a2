// Scoped owners for the GDI and image-list handles the dialogs keep. Each handle has exactly
// one owner; owners move but never copy.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace winframe {

template <typename Handle, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Gives up ownership without releasing the handle.
    Handle release() {
        Handle h = h_;
        h_ = nullptr;
        return h;
    }
    // Releases the held handle (if any) and takes `h`.
    void reset(Handle h = nullptr) {
        if (h_) Traits::Close(h_);
        h_ = h;
    }

private:
    Handle h_ = nullptr;
};

struct IconTraits {
    static void Close(HICON h) { ::DestroyIcon(h); }
};
struct GdiTraits {
    static void Close(HGDIOBJ h) { ::DeleteObject(h); }
};
struct ImageListTraits {
    static void Close(HIMAGELIST h) { ::ImageList_Destroy(h); }
};

// For icons the caller must destroy (for example from SHGetFileInfoA); never for LoadIconA's
// shared resource icons.
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiTraits>;
using UniqueImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;

}  // namespace winframe
