#include "runeset/main_dialog.h"

#include <shellapi.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>

#include "runeset/catalogue.h"
#include "keymap/service.h"
#include "keymap/store.h"
#include "runeset/about_dialog.h"
#include "runeset/side_picture.h"
#include "runeset/messages.h"
#include "runeset/resource.h"
#include "winframe/app.h"
#include "winframe/handles.h"
#include "winframe/system_dll.h"

namespace {

// Pixels at 96 dots per inch, scaled to the screen's (the program is DPI aware).
int ScaledForDpi(int pixels) {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return ::MulDiv(pixels, dpi > 0 ? dpi : 96, 96);
}

using runeset::kCaption;
const char kSelectFirstText[] = "Please select a shortcut to remove !";
const char kRegistryErrorText[] = "Error manupulating the registry !";
const char kChangedText[] =
    "The shortcuts were changed by another program, so nothing was removed.\n"
    "The list now shows them as they are; please select the shortcut to remove again.";
const char kTooManyText[] =
    "Only the first 100 shortcuts are shown.\n"
    "The other shortcuts are kept unchanged.";
// Shown in the shortcut column for a stored value that is not a record text.
const char kInvalidMark[] = "(invalid)";

constexpr int kIconSize = 16;
constexpr UINT kImageListFlags = 0;  // ILC_COLOR: the device's depth, no mask
constexpr int kImageListGrow = 10;

// A..Z to a..z; every other byte stays as it is, whatever the locale.
void LowerAscii(char* text) {
    for (; *text; ++text) {
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
    }
}

// Ends a WM_PAINT that BeginPaint started.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &paint_); }
    ~CPaintDC() { ::EndPaint(hwnd_, &paint_); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_ = {};
    HDC dc_ = nullptr;
};

// Stops a control from repainting while it is rebuilt, then repaints it once. A visible list
// otherwise repaints and resizes its scroll bar after every inserted row, which makes a
// reload of 100 rows take seconds.
class RedrawSuspended {
public:
    explicit RedrawSuspended(HWND control) : control_(control) {
        ::SendMessageA(control_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawSuspended() {
        ::SendMessageA(control_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(control_, nullptr, TRUE);
    }
    RedrawSuspended(const RedrawSuspended&) = delete;
    RedrawSuspended& operator=(const RedrawSuspended&) = delete;

private:
    HWND control_;
};

}  // namespace

namespace {

CRunesetDlg& MainWindow() {
    auto* owner = dynamic_cast<CRunesetDlg*>(AfxGetMainWnd());
    if (!owner) throw std::logic_error("The Add wizard can only run from Runeset's main window.");
    return *owner;
}

}  // namespace

KeyMappingTable& WizardTable() { return MainWindow().m_table; }

WizardState& CurrentWizard() { return MainWindow().m_wizardState; }

CRunesetDlg::CRunesetDlg(CWnd* parent) : CDialog(IDD_RUNESET_DIALOG, parent) {
    m_programIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

void CRunesetDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SHORTCUT_LIST, m_list);
}

BOOL CRunesetDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (HMENU systemMenu = GetSystemMenu(FALSE)) {
        char about[256] = {};
        ::LoadStringA(AfxGetResourceHandle(), IDS_ABOUTBOX, about, sizeof about);
        if (about[0] != '\0') {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    SetIcon(m_programIcon, TRUE);
    SetIcon(m_programIcon, FALSE);
    m_sidePicture.Attach(runeset::FitSidePicture(
        m_hWnd, {SIDEBAR_X, SIDEBAR_Y, SIDEBAR_X + SIDEBAR_W, SIDEBAR_Y + SIDEBAR_H}).release());

    m_images.Create(kIconSize, kIconSize, kImageListFlags, 0, kImageListGrow);
    m_list.SetTextColor(RGB(0, 0, 255));
    // 200 and 150 pixels at 100 %, grown with the dialog at higher scaling, so that a long
    // shortcut such as CTRL+ALT+SHIFT+WIN+X keeps fitting its column.
    m_list.InsertColumn(0, "Program/Function", LVCFMT_LEFT, ScaledForDpi(200));
    m_list.InsertColumn(1, "Shortcut", LVCFMT_LEFT, ScaledForDpi(150));
    m_list.SetImageList(m_images.GetSafeHandle(), LVSIL_SMALL);

    ReloadList();

    // The Add wizard, set up once and run again at every Add. Each bitmap field owns its
    // own handle of the same picture.
    m_headerBitmap.LoadBitmap(IDB_WIZARD);
    m_watermarkBitmap.LoadBitmap(IDB_WIZARD);
    m_wizardState.wizard.Construct(IDS_WIZARD_CAPTION, this, 0, m_watermarkBitmap, nullptr, m_headerBitmap);
    m_wizardState.wizard.m_psh.hInstance = AfxGetInstanceHandle();
    m_wizardState.wizard.m_psh.dwFlags |= PSH_WIZARD97_FIRST;  // 0x2000: makes the sheet a wizard
    m_wizardState.wizard.AddPage(&m_page1);
    m_wizardState.wizard.AddPage(&m_page2);
    m_wizardState.wizard.AddPage(&m_page3);
    m_page1.m_psp.dwFlags &= ~static_cast<DWORD>(PSP_HASHELP);
    m_page2.m_psp.dwFlags &= ~static_cast<DWORD>(PSP_HASHELP);
    m_page3.m_psp.dwFlags &= ~static_cast<DWORD>(PSP_HASHELP);

    m_reloadMessage = ::RegisterWindowMessageA(keymap::kReloadMappingsMessage);
    m_quitMessage = ::RegisterWindowMessageA(keymap::kQuitHotruneMessage);
    return TRUE;
}

// Row i, record i and the store value named i always denote the same mapping, which Remove
// and the wizard's append rely on. So the table stops at its capacity rather than skipping
// anything (values beyond it stay in the store untouched, and every reload says so), and a
// value that is not a record text keeps its row, where the user can see it (its stored text,
// marked "(invalid)", with the default icon) and remove it.
int CRunesetDlg::ReloadList() {
    m_images.DeleteImageList();
    m_images.Create(kIconSize, kIconSize, kImageListFlags, 0, kImageListGrow);
    m_list.SetImageList(m_images.GetSafeHandle(), LVSIL_SMALL);

    bool tooMany = false;
    keymap::StoreResult loaded = keymap::StoreResult::Ok;
    {
        const RedrawSuspended quiet(m_list.GetSafeHwnd());
        m_table.count = 0;
        m_list.DeleteAllItems();
        // The shell is slow to ask: a target that several records share is asked about once
        // per reload, and its icon kept until the reload ends.
        std::map<std::string, winframe::UniqueIcon> shellIcons;

        loaded = keymap::LoadAll([&](const keymap::LoadedRecord& record) {
            const int n = record.index;
            if (n >= kMaxRecords) {
                tooMany = true;
                return false;
            }
            keymap::KeyMapping mapping = record.mapping;

            // The shell's icon for a program file; otherwise the catalogue's icon for a token,
            // compared as stored (before lower-casing), or the default icon.
            HICON icon = nullptr;
            if (record.wellFormed) {
                auto known = shellIcons.find(mapping.target);
                if (known == shellIcons.end()) {
                    winframe::UniqueIcon shellIcon;
                    SHFILEINFOA info = {};
                    if (winframe::SHGetFileInfoA(mapping.target, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON))
                        shellIcon.reset(info.hIcon);
                    known = shellIcons.emplace(mapping.target, std::move(shellIcon)).first;
                }
                icon = known->second.get();
            }
            if (!icon) {
                const int id = record.wellFormed ? runeset::ListIconFor(mapping.target) : IDI_DEFAULT_LIST;
                icon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
            }
            m_images.ReplaceIcon(-1, icon);  // the list keeps its own copy

            std::string shortcut = keymap::ShortcutText(mapping);
            LowerAscii(mapping.target);
            const char* shown = mapping.target;
            if (!record.wellFormed) {
                shortcut = kInvalidMark;
                shown = record.text;
            }
            m_list.InsertItem(LVIF_TEXT | LVIF_IMAGE, n, shown, 0, 0, n, 0);
            m_list.SetItemText(n, 1, shortcut.c_str());

            m_table.records[static_cast<size_t>(n)] = mapping;
            m_table.storedTexts[static_cast<size_t>(n)] = record.text;
            m_table.count = n + 1;
            return true;
        });
    }  // the list repaints once, before any message box

    // A value that could not be read: the rows before it stay, but the user must know the
    // list is not the whole store.
    if (loaded == keymap::StoreResult::StoreOpenFailed || loaded == keymap::StoreResult::ReadFailed) {
        runeset::ShowStoreFailure(*this);
        return -1;
    }
    if (tooMany) MessageBox(kTooManyText, kCaption, MB_OK | MB_ICONINFORMATION);
    return 0;
}

bool CRunesetDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
            case IDC_ADD: OnAdd(); return true;
            case IDC_REMOVE: OnRemove(); return true;
            case IDC_ABOUT: OnAbout(); return true;
            case IDC_SHUTDOWN: OnShutdown(); return true;
            default: break;
        }
    }
    return CDialog::OnCommand(id, code, control);
}

bool CRunesetDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_SYSCOMMAND:
            if ((static_cast<UINT>(wp) & 0xFFF0) != IDM_ABOUTBOX) return false;
            OnSysCommand(static_cast<UINT>(wp), lp);
            result = 0;
            return true;
        case WM_PAINT:
            if (!IsIconic()) return false;
            OnPaint();
            result = 0;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<LRESULT>(OnQueryDragIcon());
            return true;
        case WM_DESTROY:
            // The list would destroy its image list along with itself (it is not shared);
            // take it back so that m_images stays its only owner.
            m_list.SetImageList(nullptr, LVSIL_SMALL);
            return false;
        default:
            return CDialog::OnMessage(msg, wp, lp, result);
    }
}

void CRunesetDlg::OnSysCommand(UINT nID, LPARAM) {
    // Only the About item reaches here (16..31: the low four bits are the system's).
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) OnAbout();
}

void CRunesetDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    const int cx = ::GetSystemMetrics(SM_CXICON);
    const int cy = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - cx + 1) / 2;
    const int y = (rect.bottom - rect.top - cy + 1) / 2;
    ::DrawIcon(dc.get(), x, y, m_programIcon);
}

HCURSOR CRunesetDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_programIcon); }

void CRunesetDlg::OnAdd() {
    m_wizardState.wizard.DoModal();
    ReloadList();
    keymap::Broadcast(m_reloadMessage);
}

void CRunesetDlg::OnRemove() {
    const int selected = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (selected == -1) {
        MessageBox(kSelectFirstText, kCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    switch (keymap::RemoveAt(selected, m_table.storedTexts[static_cast<size_t>(selected)].c_str())) {
        case keymap::StoreResult::StoreOpenFailed:
            runeset::ShowStoreFailure(*this);
            return;
        case keymap::StoreResult::RecordChanged:
            MessageBox(kChangedText, kCaption, MB_OK | MB_ICONINFORMATION);
            break;
        case keymap::StoreResult::DeleteFailed:
        case keymap::StoreResult::MoveFailed:  // nothing deleted, every record still there
            MessageBox(kRegistryErrorText, kCaption, MB_OK | MB_ICONEXCLAMATION);
            break;
        default:
            break;
    }
    ReloadList();
    keymap::Broadcast(m_reloadMessage);
}

void CRunesetDlg::OnAbout() {
    CAboutDlg about;
    about.DoModal();
}

void CRunesetDlg::OnShutdown() {
    keymap::Broadcast(m_quitMessage);
    // Every change is in the store already; end at once, with the runtime's exit handlers.
    std::exit(0);
}
