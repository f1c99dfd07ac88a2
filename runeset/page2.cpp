#include "runeset/page2.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "keymap/keymapping.h"
#include "keymap/registry.h"
#include "runeset/messages.h"
#include "runeset/resource.h"
#include "runeset/wizard_state.h"
#include "winframe/app.h"
#include "winframe/filedialog.h"

decltype(&::GetShortPathNameA) CPage2::shortPathCall = &::GetShortPathNameA;

namespace {

using runeset::kCaption;
constexpr char kProgramFilter[] =
    "Binary files (*.exe;*.com;*.bat)|*.exe;*.com;*.bat|All Files (*.*)|*.*||";
// The short form goes into an area of kTargetSize bytes and the call is told one less, so
// at most kTargetSize - 2 characters are taken; a longer form answers with the size it
// needs instead.
constexpr DWORD kShortPathLength = keymap::kTargetSize - 1;

bool HasWhiteSpace(const char* text) { return std::strpbrk(text, " \t\r\n\v\f") != nullptr; }

}  // namespace

CPage2::CPage2() : CPropertyPageEx(IDD_PAGE2, 0, IDS_HEADER_TITLE, IDS_STEP23_SUBTITLE) {}

void CPage2::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_FUNCTION_TREE, functionTree);
    DDX_Text(pDX, IDC_PROGRAM_TEXT, programText);
}

BOOL CPage2::OnInitDialog() {
    CPropertyPageEx::OnInitDialog();
    // Shown from the next push on, which the activation performs: every run starts empty.
    programText.clear();

    // Built once for the page object and kept for every later run; the tree never owns it.
    if (!treeImages.GetSafeHandle() && treeImages.Create(16, 16, ILC_COLOR32, 0, 10)) {
        HINSTANCE resources = AfxGetResourceHandle();
        for (int id : runeset::TreeIcons()) {
            HICON icon = ::LoadIconA(resources, MAKEINTRESOURCEA(id));  // shared: not destroyed
            // A missing icon still takes its place, so every later image keeps its index.
            if (!icon || treeImages.ReplaceIcon(-1, icon) < 0)
                ::ImageList_SetImageCount(treeImages.GetSafeHandle(),
                                          static_cast<UINT>(treeImages.GetImageCount() + 1));
        }
    }
    functionTree.SetImageList(treeImages.GetSafeHandle(), TVSIL_NORMAL);

    const auto& nodes = runeset::Entries();
    rootItem = nullptr;
    std::fill(std::begin(nodeItems), std::end(nodeItems), nullptr);
    for (size_t i = 0; i < nodes.size(); ++i) {
        const runeset::CatalogueNode& node = nodes[i];
        HTREEITEM parent = TVI_ROOT;
        if (node.parent == 0)
            parent = rootItem;
        else if (node.parent > 0)
            parent = nodeItems[node.parent - 1];
        HTREEITEM item = functionTree.InsertItem(
            TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM, node.label, node.treeImage,
            node.treeImage, 0, 0, node.parent < 0 ? -1 : 0, parent, TVI_LAST);
        if (i == 0)
            rootItem = item;
        else
            nodeItems[i - 1] = item;
    }
    // The groups stay collapsed: the root shows them and the five functions of its own.
    functionTree.Expand(rootItem, TVE_EXPAND);
    return TRUE;
}

BOOL CPage2::OnSetActive() {
    WizardState& state = CurrentWizard();
    state.wizard.PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
    const bool program = state.pendingKind == ShortcutKind::Program;
    GetDlgItem(IDC_PROGRAM_LABEL).ShowWindow(program ? SW_SHOWNORMAL : SW_HIDE);
    GetDlgItem(IDC_BROWSE).ShowWindow(program ? SW_SHOWNORMAL : SW_HIDE);
    GetDlgItem(IDC_PROGRAM_TEXT).ShowWindow(program ? SW_SHOWNORMAL : SW_HIDE);
    GetDlgItem(IDC_FUNCTION_TREE).ShowWindow(state.pendingKind == ShortcutKind::Function ? SW_SHOWNORMAL : SW_HIDE);
    return CPropertyPageEx::OnSetActive();
}

bool CPage2::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        OnBrowse();
        return true;
    }
    return false;
}

void CPage2::ReadProgramFilesDir() {
    // Whatever cannot be read leaves no folder, and the dialog then picks its own.
    startFolder.clear();
    keymap::RegistryCalls& reg = keymap::Registry();
    keymap::UniqueHKey key;
    for (const char* name : {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion"}) {
        keymap::UniqueHKey child;
        if (reg.openKey(key ? key.get() : HKEY_LOCAL_MACHINE, name, 0, KEY_READ, child.put()) !=
                ERROR_SUCCESS ||
            !child) {
            return;
        }
        key = std::move(child);
    }
    DWORD size = 0;
    if (reg.queryValue(key.get(), "ProgramFilesDir", nullptr, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0) {
        return;
    }
    // One byte more than the value needs, so that text stored without its NUL still ends.
    std::vector<char> data(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    if (reg.queryValue(key.get(), "ProgramFilesDir", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS) {
        return;
    }
    startFolder.assign(data.data(), strnlen(data.data(), std::min(got, size)));
}

void CPage2::OnBrowse() {
    ReadProgramFilesDir();
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_OVERWRITEPROMPT, kProgramFilter, nullptr);
    dialog.m_ofn.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
    const INT_PTR answer = dialog.DoModal();
    if (answer == IDOK) {
        programText = dialog.GetPathName();
        UpdateData(FALSE);
    } else if (answer == -1) {
        MessageBox("The file dialog could not be opened.", kCaption, MB_OK | MB_ICONEXCLAMATION);
    }
}

LRESULT CPage2::OnWizardNext() {
    UpdateData(TRUE);
    WizardState& state = CurrentWizard();

    if (state.pendingKind == ShortcutKind::Program) {
        if (programText.empty()) {
            MessageBox("Please give a program to launch", kCaption, MB_OK | MB_ICONINFORMATION);
            return kWizardStay;
        }
        char shortPath[keymap::kTargetSize] = {};
        const DWORD length = shortPathCall(programText.c_str(), shortPath, kShortPathLength);
        if (length == 0) {
            MessageBox("The specified executable file do not exit", kCaption,
                       MB_OK | MB_ICONINFORMATION);
            return kWizardStay;
        }
        if (length >= kShortPathLength) {
            // The area holds only part of the form (or nothing): never store a cut path.
            MessageBox("The path of this program is too long to be kept for a shortcut, even "
                       "in its short form.\nPlease choose a program whose path is shorter.",
                       kCaption, MB_OK | MB_ICONINFORMATION);
            return kWizardStay;
        }
        if (HasWhiteSpace(shortPath)) {
            // A stored target ends at its first space, so the shortcut would start
            // something else.
            MessageBox("The path of this program contains a space even in its short form, so "
                       "a shortcut could not start it.\nPlease choose a program whose path has "
                       "no spaces, or move the program to such a folder.",
                       kCaption, MB_OK | MB_ICONINFORMATION);
            return kWizardStay;
        }
        state.pendingTarget = shortPath;
        return kWizardMove;
    }

    // The entries' items are distinct, so the order of comparison does not matter.
    const HTREEITEM selected = functionTree.GetSelectedItem();
    const auto& nodes = runeset::Entries();
    for (size_t i = 1; selected && i < nodes.size(); ++i) {
        const char* token = runeset::TokenOf(nodes[i]);
        if (token && nodeItems[i - 1] == selected) {
            state.pendingTarget = token;
            return kWizardMove;
        }
    }
    MessageBox("Please select a function", kCaption, MB_OK | MB_ICONINFORMATION);
    return kWizardStay;
}
