#include "winframe/controls.h"

#include "winframe/app.h"

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width) const {
    LVCOLUMNA col = {};
    col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<char*>(heading);
    col.iSubItem = column;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
                                        reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(UINT mask, int item, const char* text, UINT state, UINT stateMask,
                          int image, LPARAM param) const {
    LVITEMA row = {};
    row.mask = mask;
    row.iItem = item;
    row.pszText = const_cast<char*>(text);
    row.state = state;
    row.stateMask = stateMask;
    row.iImage = image;
    row.lParam = param;
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)));
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text) const {
    LVITEMA row = {};
    row.iSubItem = subItem;
    row.pszText = const_cast<char*>(text);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(item),
                                         reinterpret_cast<LPARAM>(&row)));
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    // The control copies at most the buffer's size; grow until the text fits.
    for (int size = 256;; size *= 4) {
        std::string text(static_cast<size_t>(size), '\0');
        LVITEMA row = {};
        row.iSubItem = subItem;
        row.pszText = &text[0];
        row.cchTextMax = size;
        int got = static_cast<int>(SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(item),
                                               reinterpret_cast<LPARAM>(&row)));
        if (got < size - 1 || size >= (1 << 20)) {
            text.resize(static_cast<size_t>(got < 0 ? 0 : got));
            return text;
        }
    }
}

HTREEITEM CTreeCtrl::InsertItem(UINT mask, const char* text, int image, int selectedImage,
                                UINT state, UINT stateMask, LPARAM param, HTREEITEM parent,
                                HTREEITEM after) const {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = mask;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.state = state;
    insert.item.stateMask = stateMask;
    insert.item.lParam = param;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const {
    char buffer[512] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buffer;
    tv.cchTextMax = sizeof buffer;
    if (!SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv))) return std::string();
    return buffer;
}

std::string CComboBox::GetLBText(int index) const {
    LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR || length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
    return text;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    images_.reset(::ImageList_Create(cx, cy, flags, initial, grow));
    return images_ ? TRUE : FALSE;
}

BOOL CImageList::DeleteImageList() {
    if (!images_) return FALSE;
    images_.reset();
    return TRUE;
}

BOOL CBitmap::LoadBitmap(UINT id) {
    bitmap_.reset(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id)));
    return bitmap_ ? TRUE : FALSE;
}
