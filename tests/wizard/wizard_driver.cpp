#include "wizard_driver.h"

#include <gtest/gtest.h>

#include "runeset/resource.h"

namespace wizardtest {

using uidriver::Script;

Wizard::Wizard(Script& s, HWND main) : s_(s), main_(main) {
    s_.Click(main, IDC_ADD);
    sheet_ = s_.PollWindow(
        [&](HWND hwnd) {
            return ::GetWindow(hwnd, GW_OWNER) == main && ::IsWindowVisible(hwnd) &&
                   ::GetDlgItem(hwnd, kNext) != nullptr;
        },
        uidriver::kWaitMs);
    if (!sheet_) ADD_FAILURE() << "the wizard did not open";
}

HWND Wizard::Page() { return reinterpret_cast<HWND>(s_.Send(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0)); }

int Wizard::Step() {
    HWND page = Page();
    if (!page) return 0;
    return static_cast<int>(s_.Send(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0)) + 1;
}

std::string Wizard::Buttons() {
    std::string shown;
    const struct {
        int id;
        const char* name;
    } buttons[] = {{kBack, "Back"}, {kNext, "Next"}, {kFinish, "Finish"}};
    for (const auto& b : buttons) {
        HWND button = ::GetDlgItem(sheet_, b.id);
        if (!button || !::IsWindowVisible(button)) continue;
        if (!shown.empty()) shown += ' ';
        shown += b.name;
        if (!::IsWindowEnabled(button)) shown += "(off)";
    }
    return shown;
}

bool Wizard::WaitFor(int step, const std::string& buttons) {
    if (s_.WaitUntil([&] { return Step() == step && Buttons() == buttons; })) return true;
    ADD_FAILURE() << "expected step " << step << " with [" << buttons << "], have step " << Step()
                  << " with [" << Buttons() << "]";
    return false;
}

void Wizard::Press(int button) {
    // The button's own click, so the sheet hears it exactly as from the mouse.
    ::PostMessageA(::GetDlgItem(sheet_, button), BM_CLICK, 0, 0);
}

bool Wizard::PressAndSettle(int button) {
    // The click's notification, the page's handler and any page change all run inside the
    // button's handling of BM_CLICK, so its answer is the barrier.
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutA(::GetDlgItem(sheet_, button), BM_CLICK, 0, 0, SMTO_NORMAL, 5000,
                                 &ignored) != 0;
}

uidriver::MessageBoxInfo Wizard::PressForBox(int button, int answer) {
    Press(button);
    return s_.ExpectMessageBox(sheet_, answer);
}

bool Wizard::Close(int button) {
    if (!sheet_) return false;
    if (button == IDCANCEL)
        s_.Click(sheet_, IDCANCEL);
    else
        Press(button);
    return s_.WaitGone(sheet_);
}

HWND Wizard::Control(int id) { return ::GetDlgItem(Page(), id); }

void Wizard::ChooseKind(int kind) {
    s_.Send(Control(kind == 0 ? IDC_PROGRAM_KIND : IDC_FUNCTION_KIND), BM_CLICK, 0, 0);
}

int Wizard::Kind() {
    if (s_.Send(Control(IDC_PROGRAM_KIND), BM_GETCHECK, 0, 0) == BST_CHECKED) return 0;
    if (s_.Send(Control(IDC_FUNCTION_KIND), BM_GETCHECK, 0, 0) == BST_CHECKED) return 1;
    return -1;
}

void Wizard::SetProgram(const std::string& text) {
    s_.Send(Control(IDC_PROGRAM_TEXT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Wizard::Program() { return s_.Text(Control(IDC_PROGRAM_TEXT)); }

bool Wizard::Visible(int id) { return ::IsWindowVisible(Control(id)) != FALSE; }

std::string Wizard::Label(HTREEITEM item) {
    char text[256] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    s_.Send(Control(IDC_FUNCTION_TREE), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

namespace {

TreeNode ReadNode(Script& s, HWND tree, HTREEITEM item) {
    TreeNode node;
    node.item = item;
    char text[256] = {};
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    tv.stateMask = TVIS_EXPANDED;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    s.Send(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    node.label = text;
    node.image = tv.iImage;
    node.selectedImage = tv.iSelectedImage;
    node.expanded = (tv.state & TVIS_EXPANDED) != 0;
    for (auto child = reinterpret_cast<HTREEITEM>(
             s.Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
         child; child = reinterpret_cast<HTREEITEM>(
                    s.Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
        node.children.push_back(ReadNode(s, tree, child));
    }
    return node;
}

HTREEITEM FindIn(const TreeNode& node, const std::string& label) {
    if (node.label == label) return node.item;
    for (const TreeNode& child : node.children) {
        if (HTREEITEM found = FindIn(child, label)) return found;
    }
    return nullptr;
}

}  // namespace

TreeNode Wizard::Tree() {
    HWND tree = Control(IDC_FUNCTION_TREE);
    auto root = reinterpret_cast<HTREEITEM>(s_.Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    if (!root) return TreeNode();
    if (s_.Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root)))
        ADD_FAILURE() << "the tree has more than one root";
    return ReadNode(s_, tree, root);
}

HTREEITEM Wizard::Find(const std::string& label) {
    HTREEITEM found = FindIn(Tree(), label);
    if (!found) ADD_FAILURE() << "no tree item " << label;
    return found;
}

void Wizard::Select(HTREEITEM item) {
    s_.Send(Control(IDC_FUNCTION_TREE), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

HTREEITEM Wizard::Selected() {
    return reinterpret_cast<HTREEITEM>(s_.Send(Control(IDC_FUNCTION_TREE), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

bool Wizard::Checked(int id) { return s_.Send(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Wizard::SetCheck(int id, bool checked) {
    // Sent: the page's handlers open no message box, so the change is complete on return.
    if (Checked(id) != checked) s_.Send(Control(id), BM_CLICK, 0, 0);
}

void Wizard::ChooseKey(const std::string& key) {
    HWND box = Control(IDC_KEY);
    LRESULT index = -1;
    if (!key.empty()) {
        index = s_.Send(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(key.c_str()));
        if (index == CB_ERR) ADD_FAILURE() << "the key box has no item " << key;
    }
    s_.Send(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // What the box tells its page when the user picks an item.
    s_.Send(Page(), WM_COMMAND, MAKEWPARAM(IDC_KEY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

std::string Wizard::Key() { return s_.Text(Control(IDC_KEY)); }

std::string Wizard::Preview() { return s_.Text(Control(IDC_PREVIEW)); }

std::string Wizard::Status() { return s_.Text(Control(IDC_STATUS)); }

std::vector<std::string> Wizard::KeyItems() {
    HWND box = Control(IDC_KEY);
    std::vector<std::string> items;
    const int count = static_cast<int>(s_.Send(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        s_.Send(box, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

bool Wizard::ToStep3WithProgram(const std::string& path) {
    if (!WaitFor(1, "Back Next")) return false;
    ChooseKind(0);
    Press(kNext);
    if (!WaitFor(2, "Back Next")) return false;
    SetProgram(path);
    Press(kNext);
    return WaitFor(3, "Back Finish");
}

bool Wizard::ToStep3WithFunction(const std::string& label) {
    if (!WaitFor(1, "Back Next")) return false;
    ChooseKind(1);
    Press(kNext);
    if (!WaitFor(2, "Back Next")) return false;
    HTREEITEM item = Find(label);
    if (!item) return false;
    Select(item);
    Press(kNext);
    return WaitFor(3, "Back Finish");
}

}  // namespace wizardtest
