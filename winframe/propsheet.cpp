#include "winframe/propsheet.h"

#include "winframe/app.h"

namespace {

// The sheet whose window PropertySheetA is creating on this thread: its callback has no
// data of its own to find the object by.
thread_local CPropertySheetEx* t_sheetStarting = nullptr;

std::string LoadText(HINSTANCE instance, UINT id) {
    if (id == 0) return std::string();
    // LoadStringA with a zero length hands out a read-only pointer to the resource's
    // UTF-16 text, so the narrow form is loaded through a buffer that grows until it fits.
    for (int size = 256; size <= (1 << 16); size *= 4) {
        std::string text(static_cast<size_t>(size), '\0');
        int got = ::LoadStringA(instance, id, &text[0], size);
        if (got < size - 1) {
            text.resize(got > 0 ? static_cast<size_t>(got) : 0);
            return text;
        }
    }
    return std::string();
}

}  // namespace

// ---- pages ------------------------------------------------------------------------------

CPropertyPageEx::CPropertyPageEx(UINT templateId, UINT captionId, UINT headerTitleId,
                                 UINT headerSubTitleId)
    : CDialog(templateId),
      m_psp(),
      m_headerTitleId(headerTitleId),
      m_headerSubTitleId(headerSubTitleId) {
    m_psp.dwSize = sizeof m_psp;
    m_psp.dwFlags = PSP_DEFAULT | PSP_HASHELP;
    m_psp.pszTemplate = MAKEINTRESOURCEA(templateId);
    if (captionId != 0) {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = MAKEINTRESOURCEA(captionId);
    }
    if (headerTitleId != 0) m_psp.dwFlags |= PSP_USEHEADERTITLE;
    if (headerSubTitleId != 0) m_psp.dwFlags |= PSP_USEHEADERSUBTITLE;
}

PROPSHEETPAGEA CPropertyPageEx::PrepareRun(HINSTANCE instance) {
    m_headerTitle = LoadText(instance, m_headerTitleId);
    m_headerSubTitle = LoadText(instance, m_headerSubTitleId);
    PROPSHEETPAGEA page = m_psp;
    page.dwSize = sizeof page;
    if (!page.hInstance) page.hInstance = instance;
    page.pfnDlgProc = &CPropertyPageEx::PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    // The header texts live in this object, which outlives the run.
    if (page.dwFlags & PSP_USEHEADERTITLE) page.pszHeaderTitle = m_headerTitle.c_str();
    if (page.dwFlags & PSP_USEHEADERSUBTITLE) page.pszHeaderSubTitle = m_headerSubTitle.c_str();
    return page;
}

BOOL CPropertyPageEx::OnSetActive() {
    if (m_bFirstSetActive)
        m_bFirstSetActive = false;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPageEx::OnKillActive() {
    UpdateData(TRUE);
    return TRUE;
}

LRESULT CPropertyPageEx::OnWizardNext() { return kWizardMove; }

LRESULT CPropertyPageEx::OnWizardBack() { return kWizardMove; }

BOOL CPropertyPageEx::OnWizardFinish() { return TRUE; }

bool CPropertyPageEx::OnNotify(NMHDR* header, LRESULT& result) {
    switch (header->code) {
        case PSN_SETACTIVE:
            result = OnSetActive() ? 0 : -1;
            return true;
        case PSN_KILLACTIVE:
            result = OnKillActive() ? FALSE : TRUE;
            return true;
        case PSN_WIZNEXT:
            result = OnWizardNext();
            return true;
        case PSN_WIZBACK:
            result = OnWizardBack();
            return true;
        case PSN_WIZFINISH:
            // Nonzero from the page lets the wizard close; the sheet reads 0 as "close".
            result = OnWizardFinish() ? FALSE : TRUE;
            return true;
        default:
            return false;
    }
}

INT_PTR CALLBACK CPropertyPageEx::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CPropertyPageEx* self = nullptr;
    if (msg == WM_INITDIALOG) {
        // lp is the sheet's copy of the page description; its lParam names this object.
        const auto* page = reinterpret_cast<const PROPSHEETPAGEA*>(lp);
        self = page ? reinterpret_cast<CPropertyPageEx*>(page->lParam) : nullptr;
        // Pages post to the sheet's window from their first activation on.
        if (self && self->m_pSheet && !self->m_pSheet->m_hWnd)
            self->m_pSheet->m_hWnd = ::GetParent(hwnd);
    }
    return Route(self, hwnd, msg, wp, lp);
}

// ---- sheet ------------------------------------------------------------------------------

CPropertySheetEx::CPropertySheetEx() : m_psh() { m_psh.dwSize = sizeof m_psh; }

void CPropertySheetEx::Construct(UINT captionId, CWnd* parent, UINT selectPage,
                                 HBITMAP watermark, HPALETTE palette, HBITMAP header) {
    m_psh = PROPSHEETHEADERA();
    m_psh.dwSize = sizeof m_psh;
    // The application object always answers the Help command.
    m_psh.dwFlags = PSH_HASHELP;
    m_psh.nStartPage = selectPage;
    if (watermark) {
        m_psh.dwFlags |= PSH_WATERMARK | PSH_USEHBMWATERMARK;
        m_psh.hbmWatermark = watermark;
    }
    if (palette) {
        m_psh.dwFlags |= PSH_USEHPLWATERMARK;
        m_psh.hplWatermark = palette;
    }
    if (header) {
        m_psh.dwFlags |= PSH_HEADER | PSH_USEHBMHEADER;
        m_psh.hbmHeader = header;
    }
    m_captionId = captionId;
    m_pParentWnd = parent;
}

void CPropertySheetEx::AddPage(CPropertyPageEx* page) {
    if (!page) return;
    page->m_pSheet = this;
    m_pages.push_back(page);
}

int CALLBACK CPropertySheetEx::SheetCallback(HWND hwnd, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED && t_sheetStarting) t_sheetStarting->m_hWnd = hwnd;
    return 0;
}

INT_PTR CPropertySheetEx::DoModal() {
    if (m_hWnd || m_pages.empty()) return -1;  // already running, or nothing to show
    HINSTANCE instance = m_psh.hInstance ? m_psh.hInstance : AfxGetResourceHandle();

    std::vector<PROPSHEETPAGEA> pages;
    pages.reserve(m_pages.size());
    for (CPropertyPageEx* page : m_pages) pages.push_back(page->PrepareRun(instance));
    m_caption = LoadText(instance, m_captionId);

    // A copy, so that m_psh keeps exactly what the owner set.
    PROPSHEETHEADERA header = m_psh;
    header.dwSize = sizeof header;
    header.hInstance = instance;
    if (header.dwFlags & PSH_WIZARD97_FIRST) header.dwFlags |= PSH_WIZARD97;
    header.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    header.dwFlags &= ~static_cast<DWORD>(PSH_MODELESS);
    header.pfnCallback = &CPropertySheetEx::SheetCallback;
    header.pszCaption = m_caption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.ppsp = pages.data();
    if (m_pParentWnd && m_pParentWnd->m_hWnd) {
        header.hwndParent = m_pParentWnd->m_hWnd;
    } else if (CWnd* main = AfxGetMainWnd(); main && main->m_hWnd) {
        header.hwndParent = ::GetLastActivePopup(main->m_hWnd);
    }

    CPropertySheetEx* outer = t_sheetStarting;
    t_sheetStarting = this;
    INT_PTR result = ::PropertySheetA(&header);
    t_sheetStarting = outer;
    m_hWnd = nullptr;

    if (result < 0) return -1;
    if (result == 0) return IDCANCEL;
    const DWORD wizard = PSH_WIZARD | PSH_WIZARD97 | PSH_WIZARD97_FIRST | PSH_WIZARD_LITE;
    return (header.dwFlags & wizard) ? ID_WIZFINISH : IDOK;
}
