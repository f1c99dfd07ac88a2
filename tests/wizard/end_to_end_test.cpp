// Runeset started as a real program on the real HKEY_CURRENT_USER of the test's Wine prefix:
// a user adds a program shortcut and a function shortcut through the wizard, and both show up
// in the list, in the store (as reg.exe reads it) and as reload broadcasts to a listening
// process. The test drives the other process only with window messages.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/listener.h"
#include "hotkey_holder.h"
#include "common/process.h"
#include "common/scratch_hkcu.h"
#include "keymap/store.h"
#include "runeset/resource.h"

namespace {

constexpr int kNext = 0x3024;
constexpr int kFinish = 0x3025;
constexpr DWORD kWaitMs = 15000;

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs) {
    const ULONGLONG start = GetTickCount64();
    while (!condition()) {
        if (GetTickCount64() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

// Empties the real KeyMappings key for the test and puts back exactly what was there.
class RealStoreGuard {
public:
    RealStoreGuard() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quillmarsh", 0, KEY_READ, &key) == ERROR_SUCCESS) {
            hadRoot_ = true;
            RegCloseKey(key);
        }
        if (RegOpenKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD nameSize = sizeof name, type = 0, dataSize = 0;
            if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
            Saved value{name, type, std::vector<BYTE>(dataSize)};
            DWORD got = dataSize;
            RegQueryValueExA(key, name, nullptr, nullptr, value.data.data(), &got);
            saved_.push_back(value);
        }
        RegCloseKey(key);
        Clear();
    }
    ~RealStoreGuard() {
        Clear();
        if (!hadRoot_) {
            RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmarsh");
            RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quillmarsh");
            return;
        }
        HKEY key = nullptr;
        if (saved_.empty() ||
            RegCreateKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return;
        for (const Saved& v : saved_)
            RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
        RegCloseKey(key);
    }
    RealStoreGuard(const RealStoreGuard&) = delete;
    RealStoreGuard& operator=(const RealStoreGuard&) = delete;

private:
    struct Saved {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    static void Clear() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return;
        for (;;) {
            char name[256];
            DWORD nameSize = sizeof name;
            if (RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (RegDeleteValueA(key, name) != ERROR_SUCCESS) break;
        }
        RegCloseKey(key);
    }
    bool hadRoot_ = false;
    std::vector<Saved> saved_;
};

// A visible top-level window that `match` accepts.
HWND FindTopWindow(const std::function<bool(HWND)>& match) {
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found;
    } search{&match, nullptr};
    struct Visit {
        static BOOL CALLBACK Next(HWND hwnd, LPARAM lp) {
            auto* s = reinterpret_cast<Search*>(lp);
            if (!IsWindowVisible(hwnd) || !(*s->match)(hwnd)) return TRUE;
            s->found = hwnd;
            return FALSE;
        }
    };
    EnumWindows(&Visit::Next, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The window owned by `owner` that has a child `childId`.
HWND OwnedWindowWith(HWND owner, int childId) {
    return FindTopWindow([&](HWND hwnd) { return GetWindow(hwnd, GW_OWNER) == owner && GetDlgItem(hwnd, childId); });
}

HWND MainWindowOf(DWORD pid) {
    return FindTopWindow([&](HWND hwnd) {
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        return owner == pid && GetDlgItem(hwnd, IDC_SHORTCUT_LIST) != nullptr;
    });
}

// A list-view cell of another process, read through a buffer in that process.
std::string RemoteListText(HANDLE process, HWND list, int row, int column) {
    const SIZE_T textSize = 512;
    BYTE* remote = static_cast<BYTE*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return "<no memory>";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<char*>(remote + sizeof(LVITEMA));
    item.cchTextMax = static_cast<int>(textSize);
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    char text[textSize + 1] = {};
    ReadProcessMemory(process, remote + sizeof(LVITEMA), text, textSize, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

int CurrentStep(HWND sheet) {
    LRESULT page = SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    if (!page) return 0;
    return static_cast<int>(SendMessageA(sheet, PSM_HWNDTOINDEX, static_cast<WPARAM>(page), 0)) + 1;
}

HWND PageControl(HWND sheet, int id) {
    return GetDlgItem(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), id);
}

// The child of `parent` at `index` in the tree of another process (item handles travel as
// plain values).
HTREEITEM TreeChild(HWND tree, HTREEITEM parent, int index) {
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_GETNEXTITEM, parent ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(parent)));
    for (int i = 0; item && i < index; ++i)
        item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    return item;
}

void PressButton(HWND window, int id) { PostMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0); }

// Steps 1 and 2 of a run of the wizard as a user makes them, `step2` filling Step 2, and the
// key chosen on Step 3; `sheet` is then the wizard on Step 3.
void OpenStep3(HWND main, int kindButton, const std::function<void(HWND sheet)>& step2, int keyIndex,
               bool shift, HWND& sheet) {
    PressButton(main, IDC_ADD);
    sheet = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (sheet = OwnedWindowWith(main, kNext)) != nullptr; }));
    ASSERT_TRUE(WaitUntil([&] { return CurrentStep(sheet) == 1; }));
    SendMessageA(PageControl(sheet, kindButton), BM_CLICK, 0, 0);
    PressButton(sheet, kNext);
    ASSERT_TRUE(WaitUntil([&] { return CurrentStep(sheet) == 2; }));
    step2(sheet);
    PressButton(sheet, kNext);
    ASSERT_TRUE(WaitUntil([&] { return CurrentStep(sheet) == 3; })) << "Step 2 refused the choice";
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(sheet, kFinish)) != FALSE; }));
    HWND keyBox = PageControl(sheet, IDC_KEY);
    SendMessageA(keyBox, CB_SETCURSEL, static_cast<WPARAM>(keyIndex), 0);
    SendMessageA(GetParent(keyBox), WM_COMMAND, MAKEWPARAM(IDC_KEY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(keyBox));
    if (shift) SendMessageA(PageControl(sheet, IDC_SHIFT), BM_CLICK, 0, 0);
}

// One run of the wizard as a user makes it; `step2` fills Step 2. Ends with Finish.
void AddShortcut(HWND main, int kindButton, const std::function<void(HWND sheet)>& step2, int keyIndex,
                 bool shift) {
    HWND sheet = nullptr;
    OpenStep3(main, kindButton, step2, keyIndex, shift, sheet);
    if (::testing::Test::HasFatalFailure()) return;
    PressButton(sheet, kFinish);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); })) << "Finish did not close the wizard";
}

TEST(WizardEndToEnd, AUserAddsAProgramAndAFunctionShortcutThatTheListStoreAndServiceSee) {
    RealStoreGuard guard;
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());

    const std::string program = "C:\\Program Files\\Internet Explorer\\iexplore.exe";
    char shortForm[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(program.c_str(), shortForm, sizeof shortForm), 0u);
    std::string shownForm = shortForm;
    for (char& c : shownForm) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);

    runetest::Process runeset(runetest::Quote(runetest::SiblingExe("runeset.exe")));
    ASSERT_TRUE(runeset.started());
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = MainWindowOf(runeset.pid())) != nullptr; }));
    HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);

    // CTRL+ALT+I for the program, typed into the box.
    AddShortcut(
        main, IDC_PROGRAM_KIND,
        [&](HWND sheet) {
            SendMessageA(PageControl(sheet, IDC_PROGRAM_TEXT), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(program.c_str()));
        },
        'I' - 'A', false);
    if (HasFatalFailure()) return;
    // CTRL+ALT+SHIFT+V for "Volume Control", the last entry under "Windows Applications".
    AddShortcut(
        main, IDC_FUNCTION_KIND,
        [&](HWND sheet) {
            HWND tree = PageControl(sheet, IDC_FUNCTION_TREE);
            HTREEITEM entry = TreeChild(tree, TreeChild(tree, TreeChild(tree, nullptr, 0), 0), 6);
            ASSERT_NE(entry, nullptr);
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(entry));
        },
        'V' - 'A', true);
    if (HasFatalFailure()) return;

    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2; }));
    EXPECT_EQ(RemoteListText(runeset.handle(), list, 0, 0), shownForm);
    EXPECT_EQ(RemoteListText(runeset.handle(), list, 0, 1), "CTRL+ALT+I");
    EXPECT_EQ(RemoteListText(runeset.handle(), list, 1, 0), "volume.control");
    EXPECT_EQ(RemoteListText(runeset.handle(), list, 1, 1), "CTRL+ALT+SHIFT+V");

    EXPECT_TRUE(listener.WaitForCount("WM_RELOADMAPPINGS", 2, kWaitMs));

    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(runeset.Wait(kWaitMs));
    EXPECT_EQ(listener.Count("WM_RELOADMAPPINGS"), 2) << "one broadcast per wizard run";

    // The store as another program reads it.
    runetest::RunResult query = runetest::RunProcess(
        "C:\\windows\\system32\\reg.exe query HKCU\\Software\\Quillmarsh\\Hotrune\\KeyMappings", 30000, true);
    ASSERT_TRUE(query.finished);
    std::vector<std::string> values;
    size_t at = 0;
    while (at < query.output.size()) {
        size_t end = query.output.find('\n', at);
        std::string line = query.output.substr(at, end == std::string::npos ? std::string::npos : end - at);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.find("REG_SZ") != std::string::npos) values.push_back(line);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    ASSERT_EQ(values.size(), 2u) << query.output;
    EXPECT_EQ(values[0], std::string("    0    REG_SZ    1 1 0 0 73 ") + shortForm);
    EXPECT_EQ(values[1], "    1    REG_SZ    1 1 1 0 86 volume.control");
}

// A message box of `pid` owned by `owner` that offers `button`.
HWND MessageBoxOf(DWORD pid, HWND owner, int button) {
    return FindTopWindow([&](HWND hwnd) {
        DWORD of = 0;
        GetWindowThreadProcessId(hwnd, &of);
        char cls[16] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        return of == pid && GetWindow(hwnd, GW_OWNER) == owner && std::string(cls) == "#32770" &&
               GetDlgItem(hwnd, button) != nullptr;
    });
}

std::string TextOf(HWND hwnd) {
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

TEST(WizardEndToEnd, AShortcutAnotherProgramHoldsIsToldOnStepThreeAndSavedOnlyOnYes) {
    RealStoreGuard guard;
    wizardtest::HotkeyHolder holder(MOD_CONTROL | MOD_ALT, 'H');
    ASSERT_TRUE(holder.holding());

    runetest::Process runeset(runetest::Quote(runetest::SiblingExe("runeset.exe")));
    ASSERT_TRUE(runeset.started());
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = MainWindowOf(runeset.pid())) != nullptr; }));

    HWND sheet = nullptr;
    const auto chooseVolumeControl = [](HWND sheet) {
        HWND tree = PageControl(sheet, IDC_FUNCTION_TREE);
        HTREEITEM entry = TreeChild(tree, TreeChild(tree, TreeChild(tree, nullptr, 0), 0), 6);
        ASSERT_NE(entry, nullptr);
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(entry));
    };
    OpenStep3(main, IDC_FUNCTION_KIND, chooseVolumeControl, 'H' - 'A', false, sheet);
    if (HasFatalFailure()) return;
    HWND status = PageControl(sheet, IDC_STATUS);
    EXPECT_EQ(TextOf(status), "Shortcut used by another program !");

    for (int answer : {IDNO, IDYES}) {
        PressButton(sheet, kFinish);
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = MessageBoxOf(runeset.pid(), sheet, IDNO)) != nullptr; }));
        EXPECT_EQ(TextOf(box), "Runeset");
        EXPECT_NE(TextOf(GetDlgItem(box, 0xFFFF)).find("CTRL+ALT+H is used by another program"), std::string::npos);
        PressButton(box, answer);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
        if (answer == IDNO) {
            // The wizard stays on Step 3, and nothing was saved.
            EXPECT_EQ(CurrentStep(sheet), 3);
            EXPECT_EQ(TextOf(status), "Shortcut used by another program !");
            EXPECT_TRUE(runetest::StoredKeyMappings().empty());
        }
    }
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); })) << "Yes did not save and close the wizard";
    HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 1; }));
    EXPECT_EQ(RemoteListText(runeset.handle(), list, 0, 1), "CTRL+ALT+H");

    // Runeset, still running, holds nothing: the other program can take the hotkey again.
    ASSERT_TRUE(holder.Release());
    EXPECT_EQ(wizardtest::TryRegisterElsewhere(MOD_CONTROL | MOD_ALT, 'H'), 0u);

    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(runeset.Wait(kWaitMs));
    EXPECT_EQ(runetest::StoredKeyMappings(), (std::map<int, std::string>{{0, "1 1 0 0 72 volume.control"}}));
}

}  // namespace
