// Views of the common controls the dialogs use (non-owning, like CWnd), and owners of the
// image lists and bitmaps they show.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "winframe/handles.h"
#include "winframe/wnd.h"

class CListCtrl : public CWnd {
public:
    int InsertColumn(int column, const char* heading, int format, int width) const;
    // LVM_INSERTITEMA with the given fields; returns the new row's index or -1.
    int InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask, int image,
                   LPARAM param) const;
    BOOL SetItemText(int item, int subItem, const char* text) const;
    std::string GetItemText(int item, int subItem) const;
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL DeleteAllItems() const { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    int GetNextItem(int start, int flags) const {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags));
    }
    // Returns the image list the control held before; ownership is the caller's affair.
    HIMAGELIST SetImageList(HIMAGELIST images, int which) const {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(images)));
    }
    HIMAGELIST GetImageList(int which) const {
        return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, static_cast<WPARAM>(which)));
    }
    BOOL SetTextColor(COLORREF color) const {
        return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(color)));
    }
};

class CTreeCtrl : public CWnd {
public:
    HIMAGELIST SetImageList(HIMAGELIST images, int which) const {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(images)));
    }
    // TVM_INSERTITEMA with the given fields; returns the new item or null.
    HTREEITEM InsertItem(UINT mask, const char* text, int image, int selectedImage, UINT state,
                         UINT stateMask, LPARAM param, HTREEITEM parent, HTREEITEM after) const;
    BOOL Expand(HTREEITEM item, UINT code) const {
        return static_cast<BOOL>(SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    BOOL SelectItem(HTREEITEM item) const {
        return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)));
    }
    std::string GetItemText(HTREEITEM item) const;
};

class CComboBox : public CWnd {
public:
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    BOOL LimitText(int length) const { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(length))); }
    std::string GetLBText(int index) const;
};

class CEdit : public CWnd {};

// Owns one image list; destroys it exactly once unless it was handed on with Detach.
class CImageList {
public:
    CImageList() = default;
    CImageList(CImageList&&) = default;
    CImageList& operator=(CImageList&&) = default;

    // ImageList_Create; any list held before is destroyed first. FALSE when it fails.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // ImageList_Destroy of the held list, if any.
    BOOL DeleteImageList();
    // ImageList_ReplaceIcon; -1 appends. The list keeps its own copy of the icon.
    int ReplaceIcon(int index, HICON icon) const { return ::ImageList_ReplaceIcon(images_.get(), index, icon); }
    int GetImageCount() const { return images_ ? ::ImageList_GetImageCount(images_.get()) : 0; }
    HIMAGELIST GetSafeHandle() const { return images_.get(); }
    // Gives the list up to a new owner.
    HIMAGELIST Detach() { return images_.release(); }

private:
    winframe::UniqueImageList images_;
};

// Owns one bitmap (GDI object); deletes it exactly once.
class CBitmap {
public:
    CBitmap() = default;
    CBitmap(CBitmap&&) = default;
    CBitmap& operator=(CBitmap&&) = default;

    // LoadBitmapA from the program's resources; any bitmap held before is deleted first.
    BOOL LoadBitmap(UINT id);
    // Takes ownership of `bitmap`.
    BOOL Attach(HBITMAP bitmap) {
        bitmap_.reset(bitmap);
        return bitmap != nullptr;
    }
    HBITMAP Detach() { return bitmap_.release(); }
    HBITMAP GetSafeHandle() const { return bitmap_.get(); }
    operator HBITMAP() const { return bitmap_.get(); }

private:
    winframe::UniqueBitmap bitmap_;
};
