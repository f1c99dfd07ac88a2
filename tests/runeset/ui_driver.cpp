#include "ui_driver.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

namespace uidriver {

namespace {

constexpr DWORD kSendTimeoutMs = 5000;
constexpr DWORD kPollMs = 20;

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

bool IsDialogClass(HWND hwnd) { return ClassOf(hwnd) == "#32770"; }

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> ThreadWindows(DWORD thread) {
    std::vector<HWND> found;
    ::EnumThreadWindows(thread, CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        found.push_back(child);
    return found;
}

bool IsIconStatic(HWND hwnd) {
    return ClassOf(hwnd) == "Static" && (::GetWindowLongA(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// A message box is a dialog with one text and push buttons only: no edit, list or tree.
bool LooksLikeMessageBox(HWND hwnd) {
    if (!IsDialogClass(hwnd)) return false;
    bool hasButton = false;
    for (HWND child : Children(hwnd)) {
        std::string cls = ClassOf(child);
        if (cls == "Button") {
            LONG type = ::GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
            if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return false;
            hasButton = true;
        } else if (cls != "Static") {
            return false;
        }
    }
    return hasButton;
}

IconKind Classify(HICON icon) {
    if (!icon) return IconKind::None;
    struct Known {
        LPCSTR id;
        IconKind kind;
    };
    // The shared system icons: a message box shows the same handle LoadIcon gives here.
    const Known known[] = {{IDI_ASTERISK, IconKind::Information},
                           {IDI_EXCLAMATION, IconKind::Exclamation},
                           {IDI_QUESTION, IconKind::Question},
                           {IDI_HAND, IconKind::Error}};
    for (const Known& k : known) {
        if (::LoadIconA(nullptr, k.id) == icon) return k.kind;
    }
    return IconKind::Other;
}

// Closes what the UI thread still shows, innermost first, until `done` is set.
bool CloseEverything(DWORD uiThread, const std::atomic<bool>& done, DWORD timeoutMs) {
    ULONGLONG start = ::GetTickCount64();
    while (!done.load()) {
        if (::GetTickCount64() - start > timeoutMs) return false;
        for (HWND hwnd : ThreadWindows(uiThread)) {
            if (!::IsWindowVisible(hwnd) || !::IsWindowEnabled(hwnd) || !IsDialogClass(hwnd)) continue;
            // Message boxes with Yes/No have no Cancel; dialogs and sheets take IDCANCEL.
            if (::GetDlgItem(hwnd, IDNO) && !::GetDlgItem(hwnd, IDCANCEL))
                ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
            else
                ::PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        ::Sleep(100);
    }
    return true;
}

}  // namespace

TestApp::TestApp() : CWinApp(nullptr) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
}

const char* ToString(IconKind kind) {
    switch (kind) {
        case IconKind::None: return "none";
        case IconKind::Information: return "information";
        case IconKind::Exclamation: return "exclamation";
        case IconKind::Question: return "question";
        case IconKind::Error: return "error";
        case IconKind::Other: return "other";
    }
    return "?";
}

// ---- finding ----------------------------------------------------------------------------

HWND Script::PollWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs) {
    ULONGLONG start = ::GetTickCount64();
    for (;;) {
        for (HWND hwnd : ThreadWindows(uiThread_)) {
            if (match(hwnd)) return hwnd;
        }
        if (::GetTickCount64() - start >= timeoutMs) return nullptr;
        ::Sleep(kPollMs);
    }
}

HWND Script::MainDialog(bool visible, DWORD timeoutMs) {
    HWND found = PollWindow(
        [&](HWND hwnd) {
            return IsDialogClass(hwnd) && !::GetWindow(hwnd, GW_OWNER) &&
                   (!visible || ::IsWindowVisible(hwnd));
        },
        timeoutMs);
    if (!found) ADD_FAILURE() << "the main dialog did not appear within " << timeoutMs << " ms";
    return found;
}

HWND Script::WaitOwnedDialog(HWND owner, const char* title, DWORD timeoutMs) {
    HWND found = PollWindow(
        [&](HWND hwnd) {
            return IsDialogClass(hwnd) && ::GetWindow(hwnd, GW_OWNER) == owner &&
                   ::IsWindowVisible(hwnd) && (!title || Text(hwnd) == title);
        },
        timeoutMs);
    if (!found)
        ADD_FAILURE() << "no dialog " << (title ? title : "(any title)") << " owned by the window within "
                      << timeoutMs << " ms";
    return found;
}

HWND Script::PollMessageBox(HWND owner, DWORD timeoutMs) {
    return PollWindow(
        [&](HWND hwnd) {
            return ::GetWindow(hwnd, GW_OWNER) == owner && ::IsWindowVisible(hwnd) &&
                   LooksLikeMessageBox(hwnd);
        },
        timeoutMs);
}

HWND Script::WaitMessageBox(HWND owner, DWORD timeoutMs) {
    HWND found = PollMessageBox(owner, timeoutMs);
    if (!found) ADD_FAILURE() << "no message box owned by the window within " << timeoutMs << " ms";
    return found;
}

bool Script::WaitGone(HWND hwnd, DWORD timeoutMs) {
    bool gone = WaitUntil([&] { return !::IsWindow(hwnd); }, timeoutMs);
    if (!gone) ADD_FAILURE() << "a window did not close within " << timeoutMs << " ms";
    return gone;
}

bool Script::WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    ULONGLONG start = ::GetTickCount64();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() - start >= timeoutMs) return false;
        ::Sleep(kPollMs);
    }
}

std::vector<HWND> Script::OpenDialogs() const {
    std::vector<HWND> open;
    for (HWND hwnd : ThreadWindows(uiThread_)) {
        if (IsDialogClass(hwnd) && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd))
            open.insert(open.begin(), hwnd);  // EnumThreadWindows lists the newest first
    }
    return open;
}

// ---- acting -----------------------------------------------------------------------------

void Script::Click(HWND dialog, int id) {
    HWND button = ::GetDlgItem(dialog, id);
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void Script::SysCommand(HWND window, UINT command) {
    ::PostMessageA(window, WM_SYSCOMMAND, command, 0);
}

bool Script::AnswerAndWait(HWND box, int id, DWORD timeoutMs) {
    if (!box) return false;
    Click(box, id);
    return WaitGone(box, timeoutMs);
}

// ---- reading ----------------------------------------------------------------------------

LRESULT Script::Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool* ok) {
    DWORD_PTR result = 0;
    bool sent = ::SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result) != 0;
    if (ok) *ok = sent;
    if (!sent) ADD_FAILURE() << "message " << msg << " was not answered within " << kSendTimeoutMs << " ms";
    return static_cast<LRESULT>(result);
}

std::string Script::Text(HWND hwnd) {
    char buffer[1024] = {};
    Send(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

MessageBoxInfo Script::ReadMessageBox(HWND box) {
    MessageBoxInfo info;
    info.hwnd = box;
    if (!box) return info;
    info.caption = Text(box);
    for (HWND child : Children(box)) {
        std::string cls = ClassOf(child);
        if (IsIconStatic(child)) {
            info.icon = Classify(reinterpret_cast<HICON>(Send(child, STM_GETICON, 0, 0)));
        } else if (cls == "Static") {
            std::string text = Text(child);
            if (text.size() > info.text.size()) info.text = text;
        } else if (cls == "Button" && ::IsWindowVisible(child)) {
            info.buttons.push_back(::GetDlgCtrlID(child));
        }
    }
    return info;
}

MessageBoxInfo Script::ExpectMessageBox(HWND owner, int answer, DWORD timeoutMs) {
    HWND box = WaitMessageBox(owner, timeoutMs);
    MessageBoxInfo info = ReadMessageBox(box);
    if (box) AnswerAndWait(box, answer);
    return info;
}

// ---- list views -------------------------------------------------------------------------

int Script::ListCount(HWND list) { return static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string Script::ListText(HWND list, int row, int column) {
    char buffer[1024] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    // Wine fills the whole buffer without a terminator when the text is longer.
    return std::string(buffer, strnlen(buffer, sizeof buffer - 1));
}

int Script::ListImage(HWND list, int row) {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -2;
    if (!Send(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return -2;
    return item.iImage;
}

HIMAGELIST Script::ListImageList(HWND list, int which) {
    return reinterpret_cast<HIMAGELIST>(Send(list, LVM_GETIMAGELIST, static_cast<WPARAM>(which), 0));
}

void Script::SelectRows(HWND list, const std::vector<int>& rows) {
    LVITEMA clear = {};
    clear.stateMask = LVIS_SELECTED;
    clear.state = 0;
    Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    for (int row : rows) {
        LVITEMA set = {};
        set.stateMask = LVIS_SELECTED;
        set.state = LVIS_SELECTED;
        Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&set));
    }
}

std::vector<int> Script::SelectedRows(HWND list) {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0)
        rows.push_back(row);
    return rows;
}

// ---- running ----------------------------------------------------------------------------

INT_PTR RunWithScript(const std::function<INT_PTR()>& run, const std::function<void(Script&)>& script,
                      DWORD timeoutMs) {
    DWORD uiThread = ::GetCurrentThreadId();
    std::atomic<bool> done{false};
    std::thread driver([&] {
        Script s(uiThread);
        ULONGLONG start = ::GetTickCount64();
        script(s);
        ULONGLONG used = ::GetTickCount64() - start;
        DWORD left = used < timeoutMs ? static_cast<DWORD>(timeoutMs - used) : 0;
        if (!CloseEverything(uiThread, done, left < 10000 ? 10000 : left)) {
            std::fprintf(stderr, "ui_driver: the modal run did not end; giving up on this process\n");
            std::fflush(stderr);
            ::TerminateProcess(::GetCurrentProcess(), 99);
        }
    });
    INT_PTR result = run();
    done = true;
    driver.join();
    return result;
}

INT_PTR RunMainDialog(CDialog& dialog, const std::function<void(Script&)>& script, DWORD timeoutMs) {
    CWinApp* app = AfxGetApp();
    if (!app) {
        ADD_FAILURE() << "construct a uidriver::TestApp before running a dialog";
        return -1;
    }
    CWnd* previous = app->m_pMainWnd;
    app->m_pMainWnd = &dialog;
    INT_PTR result = RunWithScript([&] { return dialog.DoModal(); }, script, timeoutMs);
    app->m_pMainWnd = previous;
    return result;
}

// ---- pictures ---------------------------------------------------------------------------

std::vector<std::uint32_t> ImagePixels(HIMAGELIST images, int index) {
    int cx = 0, cy = 0;
    if (!images || index < 0 || index >= ::ImageList_GetImageCount(images) ||
        !::ImageList_GetIconSize(images, &cx, &cy))
        return {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ::ReleaseDC(nullptr, screen);
    std::vector<std::uint32_t> pixels;
    if (dc && dib && bits) {
        HGDIOBJ old = ::SelectObject(dc, dib);
        RECT all = {0, 0, cx, cy};
        HBRUSH background = ::CreateSolidBrush(RGB(255, 0, 255));
        ::FillRect(dc, &all, background);
        ::DeleteObject(background);
        ::ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
        ::GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels.assign(p, p + static_cast<size_t>(cx) * static_cast<size_t>(cy));
        for (auto& px : pixels) px &= 0x00FFFFFFu;
        ::SelectObject(dc, old);
    }
    if (dib) ::DeleteObject(dib);
    if (dc) ::DeleteDC(dc);
    return pixels;
}

std::vector<std::uint32_t> IconAsListImage(HICON icon, int cx, int cy, UINT flags) {
    HIMAGELIST images = ::ImageList_Create(cx, cy, flags, 0, 1);
    if (!images) return {};
    std::vector<std::uint32_t> pixels;
    if (::ImageList_ReplaceIcon(images, -1, icon) == 0) pixels = ImagePixels(images, 0);
    ::ImageList_Destroy(images);
    return pixels;
}

}  // namespace uidriver
