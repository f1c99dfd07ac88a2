// Runeset's main window run for real, in process, on a scratch HKEY_CURRENT_USER: what the list
// shows for what is stored, Remove with its messages, the store's failures, the reload
// broadcast (received by a separate listener process) and the About box.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/listener.h"
#include "common/registry_faults.h"
#include "common/scratch_hkcu.h"
#include "keymap/store.h"
#include "runeset/about_dialog.h"
#include "runeset/main_dialog.h"
#include "runeset/resource.h"
#include "ui_driver.h"

namespace {

uidriver::TestApp g_app;

using runetest::RegCall;
using uidriver::IconKind;
using uidriver::Script;

const char kStoreFailure[] =
    "An unexpected error occurred while Runeset was trying to read from the system registry";
const char kPleaseSelect[] = "Please select a shortcut to remove !";
const char kRegistryError[] = "Error manupulating the registry !";

std::string RecordText(const char* target, int key = 'A', int ctrl = 1, int alt = 1) {
    return std::to_string(ctrl) + " " + std::to_string(alt) + " 0 0 " + std::to_string(key) + " " + target;
}

class MainDialogTest : public runetest::ScratchHkcuTest {
protected:
    void Fill(const std::map<int, std::string>& values) { ASSERT_TRUE(runetest::FillKeyMappings(values)); }
    void FillRun(const std::vector<std::string>& texts) { ASSERT_TRUE(runetest::FillKeyMappingsRun(texts)); }
    std::map<int, std::string> Stored() { return runetest::StoredKeyMappings(); }

    // One run of the main window with `script`; the dialog object stays readable afterwards.
    void Run(const std::function<void(Script&, HWND main, HWND list)>& script) {
        dialog_ = std::make_unique<CRunesetDlg>();
        uidriver::RunMainDialog(*dialog_, [&](Script& s) {
            HWND main = s.MainDialog();
            ASSERT_NE(main, nullptr);
            script(s, main, GetDlgItem(main, IDC_SHORTCUT_LIST));
            s.Click(main, IDOK);
            s.WaitGone(main);
        });
    }

    // The rows as "target|shortcut".
    static std::vector<std::string> Rows(Script& s, HWND list) {
        std::vector<std::string> rows;
        for (int i = 0, n = s.ListCount(list); i < n; ++i)
            rows.push_back(s.ListText(list, i, 0) + "|" + s.ListText(list, i, 1));
        return rows;
    }

    std::unique_ptr<CRunesetDlg> dialog_;
};

// ---- what the list shows ------------------------------------------------------------------

TEST_F(MainDialogTest, EmptyStoreShowsNoRowsAndRemoveAsksForASelection) {
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());
    Run([&](Script& s, HWND main, HWND list) {
        EXPECT_EQ(s.ListCount(list), 0);
        s.Click(main, IDC_REMOVE);
        uidriver::MessageBoxInfo box = s.ExpectMessageBox(main);
        EXPECT_EQ(box.text, kPleaseSelect);
        EXPECT_EQ(box.caption, "Runeset");
        EXPECT_EQ(box.icon, IconKind::Information) << ToString(box.icon);
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    });
    EXPECT_EQ(dialog_->m_table.count, 0);
    // The first start creates the key path; nothing was broadcast for a refused Remove.
    EXPECT_TRUE(runetest::KeyExists(HKEY_CURRENT_USER, keymap::kKeyMappingsPath));
    ASSERT_TRUE(listener.Sync());
    EXPECT_EQ(listener.Count("WM_RELOADMAPPINGS"), 0);
}

TEST_F(MainDialogTest, RowsShowLowerCasedTargetsShortcutTextsAndTheRightIcons) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string program = std::string(windows) + "\\NOTEPAD.EXE";
    CharUpperA(&program[0]);
    std::string programLower = program;
    CharLowerA(&programLower[0]);
    ASSERT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << program;

    struct Case {
        std::string text;      // stored
        std::string target;    // shown
        std::string shortcut;  // shown
        int icon;              // resource id, or 0 for the shell's icon of `program`
    };
    const std::vector<Case> cases = {
        {"1 1 0 0 78 notepad", "notepad", "CTRL+ALT+N", IDI_CAT_NOTEPAD},
        {"0 0 1 1 53 eject.cd.tray", "eject.cd.tray", "SHIFT+WIN+5", IDI_CAT_CDTRAY},
        {"0 0 0 0 81 " + program, programLower, "Q", 0},
        {"1 1 1 1 96 standby", "standby", "CTRL+ALT+SHIFT+WIN+`", IDI_CAT_POWER_GROUP},
        // Differs from a token only by case: no catalogue match, the default icon.
        {"1 0 0 0 65 Notepad", "notepad", "CTRL+A", IDI_DEFAULT_LIST},
        {"0 1 0 0 90 C:\\NO\\SUCH\\TOOL.EXE", "c:\\no\\such\\tool.exe", "ALT+Z", IDI_DEFAULT_LIST},
        // Targets met before in the same reload show the same icons again.
        {"1 0 1 0 66 " + program, programLower, "CTRL+SHIFT+B", 0},
        {"0 1 1 0 77 notepad", "notepad", "ALT+SHIFT+M", IDI_CAT_NOTEPAD},
        {"0 1 1 0 78 C:\\NO\\SUCH\\TOOL.EXE", "c:\\no\\such\\tool.exe", "ALT+SHIFT+N", IDI_DEFAULT_LIST},
    };
    std::vector<std::string> texts;
    for (const Case& c : cases) texts.push_back(c.text);
    FillRun(texts);

    HMODULE self = GetModuleHandleA(nullptr);
    auto resourceIcon = [&](int id) {
        return uidriver::IconAsListImage(LoadIconA(self, MAKEINTRESOURCEA(id)), 16, 16, 0);
    };
    SHFILEINFOA info = {};
    ASSERT_NE(SHGetFileInfoA(program.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON), 0u);
    const auto shellPixels = uidriver::IconAsListImage(info.hIcon, 16, 16, 0);
    DestroyIcon(info.hIcon);
    // The comparison means something only if the candidates look different.
    ASSERT_NE(resourceIcon(IDI_CAT_NOTEPAD), resourceIcon(IDI_DEFAULT_LIST));
    ASSERT_NE(shellPixels, resourceIcon(IDI_DEFAULT_LIST));
    ASSERT_NE(shellPixels, resourceIcon(IDI_CAT_NOTEPAD));

    Run([&](Script& s, HWND, HWND list) {
        ASSERT_EQ(s.ListCount(list), static_cast<int>(cases.size()));
        HIMAGELIST images = s.ListImageList(list);
        ASSERT_NE(images, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(images), static_cast<int>(cases.size()));
        for (size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            const int row = static_cast<int>(i);
            SCOPED_TRACE(c.text);
            EXPECT_EQ(s.ListText(list, row, 0), c.target);
            EXPECT_EQ(s.ListText(list, row, 1), c.shortcut);
            EXPECT_EQ(s.ListImage(list, row), row);
            const auto shown = uidriver::ImagePixels(images, row);
            ASSERT_FALSE(shown.empty());
            EXPECT_TRUE(shown == (c.icon ? resourceIcon(c.icon) : shellPixels)) << "another icon is shown";
        }
    });
    ASSERT_EQ(dialog_->m_table.count, static_cast<int>(cases.size()));
    // The list control did not take our image list with it when it was destroyed: the
    // dialog object is still its one owner, and it is intact.
    HIMAGELIST images = dialog_->m_images.GetSafeHandle();
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), static_cast<int>(cases.size()));
    EXPECT_FALSE(uidriver::ImagePixels(images, 0).empty());
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_STREQ(dialog_->m_table.records[i].target, cases[i].target.c_str());
    EXPECT_EQ(dialog_->m_table.records[0].ctrl, 1);
    EXPECT_EQ(dialog_->m_table.records[0].key, 'N');
}

TEST_F(MainDialogTest, ValuesAfterAGapAreNeitherShownNorTouched) {
    Fill({{0, RecordText("first")}, {1, RecordText("second")}, {3, RecordText("hidden")}});
    Run([&](Script& s, HWND main, HWND list) {
        EXPECT_EQ(Rows(s, list), (std::vector<std::string>{"first|CTRL+ALT+A", "second|CTRL+ALT+A"}));
        s.SelectRows(list, {0});
        s.Click(main, IDC_REMOVE);
        ASSERT_TRUE(s.WaitUntil([&] { return s.ListCount(list) == 1; }));
        EXPECT_EQ(s.ListText(list, 0, 0), "second");
    });
    EXPECT_EQ(Stored(), (std::map<int, std::string>{{0, RecordText("second")}, {3, RecordText("hidden")}}));
}

TEST_F(MainDialogTest, OnlyTheFirstHundredValuesAreLoadedAndTheUserIsTold) {
    std::vector<std::string> texts;
    for (int i = 0; i < 105; ++i) texts.push_back(RecordText(("t" + std::to_string(i)).c_str()));
    FillRun(texts);
    dialog_ = std::make_unique<CRunesetDlg>();
    uidriver::RunMainDialog(*dialog_, [&](Script& s) {
        HWND main = s.MainDialog(false);
        ASSERT_NE(main, nullptr);
        uidriver::MessageBoxInfo box = s.ExpectMessageBox(main);
        EXPECT_EQ(box.caption, "Runeset");
        EXPECT_EQ(box.icon, IconKind::Information) << ToString(box.icon);
        EXPECT_NE(box.text.find("first 100"), std::string::npos) << box.text;
        HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
        EXPECT_EQ(s.ListCount(list), 100);
        EXPECT_EQ(s.ListText(list, 99, 0), "t99");
        s.Click(main, IDOK);
    });
    EXPECT_EQ(dialog_->m_table.count, 100);
    std::map<int, std::string> stored = Stored();
    ASSERT_EQ(stored.size(), 105u);
    for (int i = 0; i < 105; ++i) EXPECT_EQ(stored[i], texts[static_cast<size_t>(i)]);
}

TEST_F(MainDialogTest, AValueThatIsNoRecordKeepsItsRowAndCanBeRemoved) {
    FillRun({RecordText("before"), "hand edited", RecordText("after")});
    Run([&](Script& s, HWND main, HWND list) {
        EXPECT_EQ(Rows(s, list),
                  (std::vector<std::string>{"before|CTRL+ALT+A", "hand edited|(invalid)", "after|CTRL+ALT+A"}));
        s.SelectRows(list, {1});
        s.Click(main, IDC_REMOVE);
        ASSERT_TRUE(s.WaitUntil([&] { return s.ListCount(list) == 2; }));
        EXPECT_EQ(Rows(s, list), (std::vector<std::string>{"before|CTRL+ALT+A", "after|CTRL+ALT+A"}));
    });
    EXPECT_EQ(Stored(), (std::map<int, std::string>{{0, RecordText("before")}, {1, RecordText("after")}}));
}

// ---- Remove ---------------------------------------------------------------------------------

TEST_F(MainDialogTest, RemoveTakesTheLowestSelectedRowReloadsAndBroadcasts) {
    struct Case {
        std::vector<int> selected;
        std::vector<std::string> left;
    };
    const std::vector<Case> cases = {
        {{0}, {"b", "c", "d"}},
        {{3}, {"a", "b", "c"}},
        {{1, 2}, {"a", "c", "d"}},
        {{0, 3}, {"b", "c", "d"}},
    };
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());
    int broadcasts = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left[0] + c.left[1] + c.left[2]);
        FillRun({RecordText("a"), RecordText("b"), RecordText("c"), RecordText("d")});
        Run([&](Script& s, HWND main, HWND list) {
            ASSERT_EQ(s.ListCount(list), 4);
            s.SelectRows(list, c.selected);
            s.Click(main, IDC_REMOVE);
            ASSERT_TRUE(s.WaitUntil([&] { return s.ListCount(list) == 3; }));
            for (int i = 0; i < 3; ++i) EXPECT_EQ(s.ListText(list, i, 0), c.left[static_cast<size_t>(i)]);
            EXPECT_TRUE(listener.WaitForCount("WM_RELOADMAPPINGS", ++broadcasts, 5000));
        });
        EXPECT_EQ(dialog_->m_table.count, 3);
        std::map<int, std::string> expected;
        for (int i = 0; i < 3; ++i) expected[i] = RecordText(c.left[static_cast<size_t>(i)].c_str());
        EXPECT_EQ(Stored(), expected);
    }
    EXPECT_EQ(listener.Count("WM_QUIT_HOTRUNE"), 0);
}

TEST_F(MainDialogTest, StoreFailuresAreToldWithTheirOwnMessages) {
    struct Case {
        const char* name;
        RegCall call;
        int nth;                // the failing call, counted from the press of Remove
        const char* text;
        const char* caption;
        bool reloads;           // reloads and broadcasts afterwards
        std::vector<std::string> rows;  // the list afterwards
        std::map<int, std::string> stored;
    };
    const std::string a = RecordText("a"), b = RecordText("b"), c = RecordText("c");
    const std::vector<Case> cases = {
        // Remove's open of the key path: its first creation.
        {"open fails", RegCall::CreateKey, 1, kStoreFailure, "Hotrune Error", false,
         {"a", "b", "c"}, {{0, a}, {1, b}, {2, c}}},
        // The moves are put back when the last value cannot go: nothing shows twice.
        {"delete fails", RegCall::DeleteValue, 1, kRegistryError, "Runeset", true,
         {"a", "b", "c"}, {{0, a}, {1, b}, {2, c}}},
        // The first move down fails: nothing is deleted and every record is still there.
        {"move fails", RegCall::SetValue, 1, kRegistryError, "Runeset", true,
         {"a", "b", "c"}, {{0, a}, {1, b}, {2, c}}},
    };
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());
    int broadcasts = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        FillRun({a, b, c});
        // Armed once the dialog has loaded, so the start-up's own calls do not count.
        std::optional<runetest::RegistryFault> fault;
        Run([&](Script& s, HWND main, HWND list) {
            s.SelectRows(list, {0});
            fault.emplace(k.call, k.nth);
            s.Click(main, IDC_REMOVE);
            uidriver::MessageBoxInfo box = s.ExpectMessageBox(main);
            EXPECT_EQ(box.text, k.text);
            EXPECT_EQ(box.caption, k.caption);
            EXPECT_EQ(box.icon, IconKind::Exclamation) << ToString(box.icon);
            if (k.reloads) {
                EXPECT_TRUE(listener.WaitForCount("WM_RELOADMAPPINGS", ++broadcasts, 5000));
            }
            std::vector<std::string> rows;
            for (int i = 0, n = s.ListCount(list); i < n; ++i) rows.push_back(s.ListText(list, i, 0));
            EXPECT_EQ(rows, k.rows);
            // Without a reload the selection is still the user's.
            if (!k.reloads) {
                EXPECT_EQ(s.SelectedRows(list), std::vector<int>{0});
            }
        });
        ASSERT_TRUE(fault.has_value());
        EXPECT_TRUE(fault->fired());
        fault.reset();
        EXPECT_EQ(Stored(), k.stored);
    }
    ASSERT_TRUE(listener.Sync());
    EXPECT_EQ(listener.Count("WM_RELOADMAPPINGS"), broadcasts);
}

TEST_F(MainDialogTest, AStoreThatCannotBeOpenedAtStartIsToldAndLeavesTheListEmpty) {
    FillRun({RecordText("a")});
    runetest::RegistryFault fault(RegCall::CreateKey, 1);
    dialog_ = std::make_unique<CRunesetDlg>();
    uidriver::RunMainDialog(*dialog_, [&](Script& s) {
        HWND main = s.MainDialog(false);
        ASSERT_NE(main, nullptr);
        uidriver::MessageBoxInfo box = s.ExpectMessageBox(main);
        EXPECT_EQ(box.text, kStoreFailure);
        EXPECT_EQ(box.caption, "Hotrune Error");
        EXPECT_EQ(box.icon, IconKind::Exclamation) << ToString(box.icon);
        ASSERT_NE(s.MainDialog(true), nullptr);
        EXPECT_EQ(s.ListCount(GetDlgItem(main, IDC_SHORTCUT_LIST)), 0);
        s.Click(main, IDOK);
    });
    EXPECT_EQ(dialog_->m_table.count, 0);
    EXPECT_EQ(Stored(), (std::map<int, std::string>{{0, RecordText("a")}}));
}

TEST_F(MainDialogTest, ARowThatAnotherProgramMovedIsNotRemovedInItsPlace) {
    // Another program removes "a" while the list still shows a, b, c: the second row, "b",
    // is now value 0 and value 1 holds "c", which the user did not choose.
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());
    FillRun({RecordText("a"), RecordText("b"), RecordText("c")});
    Run([&](Script& s, HWND main, HWND list) {
        ASSERT_EQ(s.ListCount(list), 3);
        RegDeleteTreeA(HKEY_CURRENT_USER, keymap::kKeyMappingsPath);
        FillRun({RecordText("b"), RecordText("c")});
        s.SelectRows(list, {1});
        s.Click(main, IDC_REMOVE);
        uidriver::MessageBoxInfo box = s.ExpectMessageBox(main);
        EXPECT_NE(box.text.find("changed by another program"), std::string::npos) << box.text;
        EXPECT_EQ(box.caption, "Runeset");
        EXPECT_EQ(box.icon, IconKind::Information) << ToString(box.icon);
        // The list now shows the store as it is.
        EXPECT_TRUE(s.WaitUntil([&] { return s.ListCount(list) == 2; }));
        EXPECT_EQ(s.ListText(list, 0, 0), "b");
        EXPECT_TRUE(listener.WaitForCount("WM_RELOADMAPPINGS", 1, 5000));
    });
    EXPECT_EQ(Stored(), (std::map<int, std::string>{{0, RecordText("b")}, {1, RecordText("c")}}));
}

TEST_F(MainDialogTest, AValueThatCannotBeReadIsToldAndTheRowsBeforeItStay) {
    FillRun({RecordText("a"), RecordText("b"), RecordText("c")});
    // The first load reads one value a query: value 0, then value 1 fails.
    runetest::RegistryFault fault(RegCall::QueryValue, 2);
    dialog_ = std::make_unique<CRunesetDlg>();
    uidriver::RunMainDialog(*dialog_, [&](Script& s) {
        HWND main = s.MainDialog(false);
        ASSERT_NE(main, nullptr);
        uidriver::MessageBoxInfo box = s.ExpectMessageBox(main);
        EXPECT_EQ(box.text, kStoreFailure);
        EXPECT_EQ(box.caption, "Hotrune Error");
        ASSERT_NE(s.MainDialog(true), nullptr);
        HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
        EXPECT_EQ(s.ListCount(list), 1);
        EXPECT_EQ(s.ListText(list, 0, 0), "a");
        s.Click(main, IDOK);
    });
    EXPECT_TRUE(fault.fired());
    EXPECT_EQ(Stored().size(), 3u);
}

// ---- Add ------------------------------------------------------------------------------------

TEST_F(MainDialogTest, ACancelledAddStillReloadsAndBroadcasts) {
    runetest::Listener listener;
    ASSERT_TRUE(listener.ready());
    FillRun({RecordText("a")});
    Run([&](Script& s, HWND main, HWND list) {
        ASSERT_EQ(s.ListCount(list), 1);
        // Meanwhile another program adds a shortcut; only a reload shows it.
        Fill({{1, RecordText("b")}});
        s.Click(main, IDC_ADD);
        HWND wizard = s.WaitOwnedDialog(main);
        ASSERT_NE(wizard, nullptr);
        EXPECT_EQ(listener.Count("WM_RELOADMAPPINGS"), 0);  // not before the wizard has closed
        s.AnswerAndWait(wizard, IDCANCEL);
        EXPECT_TRUE(listener.WaitForCount("WM_RELOADMAPPINGS", 1, 5000));
        EXPECT_TRUE(s.WaitUntil([&] { return s.ListCount(list) == 2; }));
    });
    EXPECT_EQ(dialog_->m_table.count, 2);
    EXPECT_EQ(Stored().size(), 2u);
}

// ---- system menu and About box --------------------------------------------------------------

std::vector<std::string> AboutLines(Script& s, HWND about) {
    std::vector<std::string> lines;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        lines.push_back(s.Text(child));
    return lines;
}

TEST_F(MainDialogTest, TheAboutBoxOpensFromItsButtonAndFromSystemCommands16To31Only) {
    Run([&](Script& s, HWND main, HWND) {
        // The system menu ends with a separator and "&About Runeset..." (command 16).
        HMENU menu = GetSystemMenu(main, FALSE);
        ASSERT_NE(menu, nullptr);
        int n = GetMenuItemCount(menu);
        ASSERT_GE(n, 2);
        char text[64] = {};
        GetMenuStringA(menu, n - 1, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, "&About Runeset...");
        EXPECT_EQ(GetMenuItemID(menu, n - 1), 16u);
        EXPECT_EQ(GetMenuState(menu, n - 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
        // The drag icon is the program icon.
        EXPECT_EQ(reinterpret_cast<HICON>(s.Send(main, WM_QUERYDRAGICON, 0, 0)),
                  LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));

        std::vector<std::string> first;
        auto expectAbout = [&](const char* how) {
            SCOPED_TRACE(how);
            HWND about = s.WaitOwnedDialog(main, "About Hotrune v1.0");
            ASSERT_NE(about, nullptr);
            std::vector<std::string> lines = AboutLines(s, about);
            if (first.empty()) first = lines; else EXPECT_EQ(lines, first);
            EXPECT_FALSE(IsWindowEnabled(main));
            s.AnswerAndWait(about, IDOK);
        };
        s.Click(main, IDC_ABOUT);
        expectAbout("button");
        for (UINT command : {16u, 17u, 31u}) {
            s.SysCommand(main, command);
            expectAbout(std::to_string(command).c_str());
        }
        // Sent, not posted: once answered, the command has been handled and any box it
        // opened exists (an About box would keep the send from being answered at all).
        for (UINT command : {15u, 32u, 0x0030u}) {
            s.Send(main, WM_SYSCOMMAND, command, 0);
            EXPECT_EQ(s.PollWindow([&](HWND w) { return GetWindow(w, GW_OWNER) == main; }, 0), nullptr)
                << command;
        }
        // Minimising is the system's: no About box, the window is minimised and comes back.
        s.Send(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(s.WaitUntil([&] { return IsIconic(main) != FALSE; }, 3000));
        EXPECT_EQ(s.PollWindow([&](HWND w) { return GetWindow(w, GW_OWNER) == main; }, 0), nullptr);
        s.SysCommand(main, SC_RESTORE);
        EXPECT_TRUE(s.WaitUntil([&] { return !IsIconic(main); }, 3000));

        ASSERT_FALSE(first.empty());
        EXPECT_EQ(first[4], "Product Name   :    Hotrune");
        const std::string url = first[8];
        EXPECT_EQ(url.rfind("Url", 0), 0u) << url;
        EXPECT_EQ(url.substr(url.size() - std::string(kHomePageUrl).size()), kHomePageUrl);
    });
}

}  // namespace
