// The Add wizard run for real, in process, from Runeset's main window on a scratch
// HKEY_CURRENT_USER: the three steps with their buttons, refusals and messages, what a run
// keeps for the next, and the record that Finish writes.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/process.h"
#include "common/registry_faults.h"
#include "common/scratch_hkcu.h"
#include "runeset/catalogue.h"
#include "keymap/store.h"
#include "runeset/main_dialog.h"
#include "runeset/resource.h"
#include "ui_driver.h"
#include "wizard_driver.h"

namespace {

uidriver::TestApp g_app;

using runetest::RegCall;
using uidriver::IconKind;
using uidriver::MessageBoxInfo;
using uidriver::Script;
using wizardtest::kBack;
using wizardtest::kFinish;
using wizardtest::kNext;
using wizardtest::TreeNode;
using wizardtest::Wizard;

const char kStoreFailure[] =
    "An unexpected error occurred while Runeset was trying to read from the system registry";
const char kNoProgram[] = "Please give a program to launch";
const char kNoFile[] = "The specified executable file do not exit";
const char kNoFunction[] = "Please select a function";
const char kNoKey[] = "Please give a complete shortcut !";
const char kDuplicate[] =
    "The specified shortcut is already defined !!\nYou can still continue with the same shortcut "
    "but this will cause multiple programs/functions\nto be launched upon keying in the shortcut. "
    "Do you want to continue ?\n";

// An information box with OK and the caption "Runeset" showing `text`.
void ExpectInformation(const MessageBoxInfo& box, const std::string& text) {
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, "Runeset");
    EXPECT_EQ(box.icon, IconKind::Information);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
}

std::string LongPathOf(const std::string& path) {
    char buffer[1024] = {};
    DWORD n = GetLongPathNameA(path.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer) : std::string();
}

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// A folder below the temporary folder, removed with everything in it at the end.
class TempTree {
public:
    explicit TempTree(const char* name) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + name + " " + std::to_string(GetCurrentProcessId());
        Dir(root_);
    }
    ~TempTree() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
            if (!RemoveDirectoryA(it->c_str())) DeleteFileA(it->c_str());
        }
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& root() const { return root_; }
    std::string Dir(const std::string& path) {
        if (CreateDirectoryA(path.c_str(), nullptr)) made_.push_back(path);
        return path;
    }
    std::string File(const std::string& path) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            made_.push_back(path);
        }
        return path;
    }

private:
    std::string root_;
    std::vector<std::string> made_;
};

class WizardTest : public runetest::ScratchHkcuTest {
protected:
    void Fill(const std::map<int, std::string>& values) { ASSERT_TRUE(runetest::FillKeyMappings(values)); }
    void FillRun(const std::vector<std::string>& texts) { ASSERT_TRUE(runetest::FillKeyMappingsRun(texts)); }
    std::map<int, std::string> Stored() { return runetest::StoredKeyMappings(); }

    // One run of the main window; whatever the script leaves open is cancelled afterwards.
    void Run(const std::function<void(Script&, HWND main)>& script) {
        dialog_ = std::make_unique<CRunesetDlg>();
        uidriver::RunMainDialog(*dialog_, [&](Script& s) {
            HWND main = s.MainDialog();
            ASSERT_NE(main, nullptr);
            script(s, main);
        });
    }
    std::string PendingTarget() const { return dialog_->m_wizardState.pendingTarget; }
    HWND List(HWND main) const { return GetDlgItem(main, IDC_SHORTCUT_LIST); }

    std::unique_ptr<CRunesetDlg> dialog_;
};

// ---- the frame and Step 1 -----------------------------------------------------------------

TEST_F(WizardTest, FirstRunOpensOnStepOneWithBackAndNextAndBackThereStays) {
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.open());
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        EXPECT_EQ(w.Kind(), 0);
        // Help is offered by the sheet but by none of the pages.
        HWND help = GetDlgItem(w.sheet(), IDHELP);
        EXPECT_TRUE(help && IsWindowVisible(help) && !IsWindowEnabled(help));

        ASSERT_TRUE(w.PressAndSettle(kBack));
        EXPECT_TRUE(IsWindow(w.sheet()));
        EXPECT_EQ(w.Step(), 1);
        EXPECT_EQ(w.Kind(), 0);

        w.ChooseKind(1);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        EXPECT_EQ(dialog_->m_wizardState.pendingKind, ShortcutKind::Function);
        w.Press(kBack);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        EXPECT_EQ(w.Kind(), 1) << "going back shows the choice as it was left";
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        w.Select(w.Find("Eject CD Tray"));
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(3, "Back Finish"));
        w.Press(kBack);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        w.Close();
    });
    EXPECT_TRUE(Stored().empty());
}

// ---- Step 2, programs ---------------------------------------------------------------------

TEST_F(WizardTest, ProgramBoxIsRefusedWhenEmptyOrMissingAndAcceptsFilesAndFoldersAsShortPaths) {
    TempTree temp("Rune wizard");
    const std::string folder = temp.Dir(temp.root() + "\\Long Folder Name");
    const std::string program = temp.File(folder + "\\My Program File.exe");
    const std::string plain = runetest::SiblingExe("test_wizard.exe");

    struct Case {
        std::string box;
        const char* refusal;    // null: accepted
        std::string sameAs;     // the path the target must name
    };
    const std::vector<Case> cases = {
        {"", kNoProgram, ""},
        {"   ", kNoFile, ""},  // not empty: it goes to the short-path call, which fails
        {folder + "\\Missing.exe", kNoFile, ""},
        {plain, nullptr, plain},
        {program, nullptr, program},
        {folder, nullptr, folder},
    };
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        EXPECT_TRUE(w.Visible(IDC_PROGRAM_TEXT) && w.Visible(IDC_BROWSE) && w.Visible(IDC_PROGRAM_LABEL));
        EXPECT_FALSE(w.Visible(IDC_FUNCTION_TREE));
        EXPECT_EQ(w.Program(), "");

        for (const Case& c : cases) {
            SCOPED_TRACE("program box [" + c.box + "]");
            dialog_->m_wizardState.pendingTarget = "unchanged";
            w.SetProgram(c.box);
            if (c.refusal) {
                ExpectInformation(w.PressForBox(kNext), c.refusal);
                EXPECT_EQ(w.Step(), 2);
                EXPECT_EQ(w.Program(), c.box);
                EXPECT_EQ(PendingTarget(), "unchanged");
                continue;
            }
            w.Press(kNext);
            ASSERT_TRUE(w.WaitFor(3, "Back Finish"));
            const std::string target = PendingTarget();
            EXPECT_EQ(target.find(' '), std::string::npos) << target;
            EXPECT_NE(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << target;
            EXPECT_TRUE(SamePath(LongPathOf(target), LongPathOf(c.sameAs))) << target;
            w.Press(kBack);
            ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        }
        w.Close();
    });
}

// Wine's short names never keep a space, so the space refusal is shown with a stand-in for
// GetShortPathNameA that answers as a volume without short names does.
DWORD WINAPI ShortFormWithSpace(LPCSTR, LPSTR out, DWORD size) {
    const char form[] = "C:\\Tools And More\\TOOL.EXE";
    if (size < sizeof form) return sizeof form;
    std::memcpy(out, form, sizeof form);
    return sizeof form - 1;
}

TEST_F(WizardTest, AShortFormThatStillHoldsASpaceIsRefused) {
    struct Restore {
        ~Restore() { CPage2::shortPathCall = &::GetShortPathNameA; }
    } restore;
    CPage2::shortPathCall = &ShortFormWithSpace;
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        w.SetProgram("C:\\Tools And More\\Tool.exe");
        ExpectInformation(w.PressForBox(kNext),
                          "The path of this program contains a space even in its short form, so a "
                          "shortcut could not start it.\nPlease choose a program whose path has no "
                          "spaces, or move the program to such a folder.");
        EXPECT_EQ(w.Step(), 2);
        EXPECT_EQ(PendingTarget(), "");
        w.Close();
    });
}

// Components with a space grow in their short form, so a real folder whose path fits easily
// can have a short form of 254 characters (the most that is taken) or 256 (refused).
TEST_F(WizardTest, AShortFormOfUpTo254CharactersIsStoredWholeAndALongerOneIsRefused) {
    TempTree temp("Rune deep");
    auto shortLength = [](const std::string& path) {
        char buffer[1024];
        return static_cast<int>(GetShortPathNameA(path.c_str(), buffer, sizeof buffer));
    };
    std::string path = temp.root();
    for (;;) {
        const std::string next = temp.Dir(path + "\\a b");
        const int length = shortLength(next);
        if (length == 0 || length > 250) break;
        path = next;
    }
    while (shortLength(path) > 0 && shortLength(path) < 254)
        path = temp.Dir(path + ((254 - shortLength(path)) % 2 ? "\\xy" : "\\x"));
    ASSERT_EQ(shortLength(path), 254) << path;
    const std::string tooLong = temp.Dir(path + "\\x");
    ASSERT_EQ(shortLength(tooLong), 256);

    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        w.SetProgram(tooLong);
        ExpectInformation(w.PressForBox(kNext),
                          "The path of this program is too long to be kept for a shortcut, even in "
                          "its short form.\nPlease choose a program whose path is shorter.");
        EXPECT_EQ(w.Step(), 2);
        EXPECT_EQ(PendingTarget(), "");

        w.SetProgram(path);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(3, "Back Finish"));
        EXPECT_EQ(PendingTarget().size(), 254u);
        EXPECT_TRUE(SamePath(LongPathOf(PendingTarget()), LongPathOf(path)));
        w.ChooseKey("P");
        w.Close(kFinish);
    });
    // 265 characters: longer than 255, stored whole.
    const std::map<int, std::string> stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.at(0), "1 1 0 0 80 " + dialog_->m_wizardState.pendingTarget);
    EXPECT_EQ(stored.at(0).size(), 265u);
}

TEST_F(WizardTest, BrowseStartsInTheProgramFilesFolderReadAtEveryPressAndFillsTheBox) {
    char programFiles[MAX_PATH] = {};
    DWORD size = sizeof programFiles;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                           "ProgramFilesDir", RRF_RT_REG_SZ, nullptr, programFiles, &size),
              ERROR_SUCCESS);
    const std::string chosen = runetest::SiblingExe("test_wizard.exe");

    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        w.SetProgram("typed");

        auto openDialog = [&]() -> HWND {
            s.Click(w.Page(), IDC_BROWSE);
            return s.WaitOwnedDialog(w.sheet());
        };
        auto folderOf = [&](HWND dialog) {
            char folder[MAX_PATH] = {};
            s.Send(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
            return std::string(folder);
        };

        {
            // The first key cannot be opened: the dialog opens where the system chooses.
            runetest::RegistryFault fault(RegCall::OpenKey, 1);
            HWND dialog = openDialog();
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(fault.fired());
            EXPECT_EQ(dialog_->m_page2.startFolder, "");
            EXPECT_FALSE(SamePath(folderOf(dialog), programFiles));
            s.AnswerAndWait(dialog, IDCANCEL);
            EXPECT_EQ(w.Program(), "typed") << "a cancelled dialog changes nothing";
        }

        HWND dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog_->m_page2.startFolder, programFiles);
        EXPECT_TRUE(SamePath(folderOf(dialog), programFiles)) << folderOf(dialog);
        // The dialog shows its read-only box (no OFN_HIDEREADONLY) and the program filter.
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, chx1)));
        EXPECT_EQ(s.Text(GetDlgItem(dialog, cmb1)), "Binary files (*.exe;*.com;*.bat)");
        HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
        s.Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
        s.AnswerAndWait(dialog, IDOK);
        EXPECT_TRUE(s.WaitUntil([&] { return SamePath(w.Program(), chosen); })) << w.Program();
        w.Close();
    });
}

// ---- Step 2, functions --------------------------------------------------------------------

TEST_F(WizardTest, TheFunctionTreeHoldsTheCatalogueInOrderWithItsIconsAndGroupsCollapsed) {
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.ChooseKind(1);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        EXPECT_TRUE(w.Visible(IDC_FUNCTION_TREE));
        EXPECT_FALSE(w.Visible(IDC_PROGRAM_TEXT) || w.Visible(IDC_BROWSE) || w.Visible(IDC_PROGRAM_LABEL));

        const TreeNode root = w.Tree();
        std::vector<std::string> shape;
        std::function<void(const TreeNode&, const std::string&)> walk = [&](const TreeNode& n,
                                                                           const std::string& indent) {
            shape.push_back(indent + n.label + " " + std::to_string(n.image) + "/" +
                            std::to_string(n.selectedImage) + (n.expanded ? " open" : ""));
            for (const TreeNode& c : n.children) walk(c, indent + "  ");
        };
        walk(root, "");
        const std::vector<std::string> expected = {
            "Functions 0/0 open",
            "  Windows Applications 1/1",
            "    Notepad 7/7",
            "    Wordpad 8/8",
            "    Command Prompt 9/9",
            "    Paint 10/10",
            "    Registry Editor 11/11",
            "    Windows Media Player 12/12",
            "    Volume Control 13/13",
            "  Power Management 2/2",
            "    Standby 5/5",
            "    Power Off 5/5",
            "    Shutdown 5/5",
            "    Reboot 5/5",
            "    Log Off 5/5",
            "  Eject CD Tray 3/3",
            "  Close CD Tray 3/3",
            "  Increase volume by 10% 6/6",
            "  Decrease volume by 10% 6/6",
            "  Start Screen Saver 4/4",
        };
        EXPECT_EQ(shape, expected);

        // The images are the catalogue's icons in the catalogue's order, 16 x 16.
        HWND tree = GetDlgItem(w.Page(), IDC_FUNCTION_TREE);
        auto images = reinterpret_cast<HIMAGELIST>(s.Send(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
        ASSERT_EQ(images, dialog_->m_page2.treeImages.GetSafeHandle());
        ASSERT_EQ(ImageList_GetImageCount(images), runeset::kTreeIconCount);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        EXPECT_EQ(cx, 16);
        EXPECT_EQ(cy, 16);
        for (int i = 0; i < runeset::kTreeIconCount; ++i) {
            HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(runeset::TreeIcons()[i]));
            EXPECT_EQ(uidriver::ImagePixels(images, i), uidriver::IconAsListImage(icon, 16, 16, ILC_COLOR32))
                << "image " << i;
        }
        w.Close();
    });
}

TEST_F(WizardTest, OnlyCatalogueEntriesAreAcceptedAndGiveTheirTokens) {
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.ChooseKind(1);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));

        for (const char* group : {"Functions", "Windows Applications", "Power Management", ""}) {
            SCOPED_TRACE(std::string("selected [") + group + "]");
            dialog_->m_wizardState.pendingTarget = "unchanged";
            w.Select(*group ? w.Find(group) : nullptr);
            ASSERT_EQ(w.Selected(), *group ? w.Find(group) : nullptr);
            ExpectInformation(w.PressForBox(kNext), kNoFunction);
            EXPECT_EQ(w.Step(), 2);
            EXPECT_EQ(PendingTarget(), "unchanged");
        }
        for (const runeset::CatalogueNode& node : runeset::Entries()) {
            if (!runeset::TokenOf(node)) continue;
            SCOPED_TRACE(node.label);
            w.Select(w.Find(node.label));
            w.Press(kNext);
            ASSERT_TRUE(w.WaitFor(3, "Back Finish"));
            EXPECT_EQ(PendingTarget(), runeset::TokenOf(node));
            w.Press(kBack);
            ASSERT_TRUE(w.WaitFor(2, "Back Next"));
            EXPECT_EQ(w.Label(w.Selected()), node.label) << "Back keeps the selection";
        }
        // The two asked for by name, as the user reads them.
        w.Select(w.Find("Volume Control"));
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(3, "Back Finish"));
        EXPECT_EQ(PendingTarget(), "volume.control");
        w.Close();
    });
}

TEST_F(WizardTest, GoingBackAndForthKeepsTheBoxAndTheSelectionAndSwitchesTheControls) {
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        w.SetProgram("C:\\typed\\path.exe");

        w.Press(kBack);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.ChooseKind(1);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        EXPECT_TRUE(w.Visible(IDC_FUNCTION_TREE));
        EXPECT_FALSE(w.Visible(IDC_PROGRAM_TEXT));
        w.Select(w.Find("Reboot"));

        w.Press(kBack);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.ChooseKind(0);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        EXPECT_TRUE(w.Visible(IDC_PROGRAM_TEXT) && w.Visible(IDC_BROWSE) && w.Visible(IDC_PROGRAM_LABEL));
        EXPECT_FALSE(w.Visible(IDC_FUNCTION_TREE));
        EXPECT_EQ(w.Program(), "C:\\typed\\path.exe");

        w.Press(kBack);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.ChooseKind(1);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        EXPECT_EQ(w.Label(w.Selected()), "Reboot");
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(3, "Back Finish"));
        EXPECT_EQ(PendingTarget(), "reboot");
        w.Close();
    });
}

// ---- Step 3 -------------------------------------------------------------------------------

TEST_F(WizardTest, StepThreeStartsWithControlAndAltAndNoKeyAndFinishAsksForOne) {
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithFunction("Standby"));
        EXPECT_TRUE(w.Checked(IDC_CTRL));
        EXPECT_TRUE(w.Checked(IDC_ALT));
        EXPECT_FALSE(w.Checked(IDC_SHIFT));
        EXPECT_FALSE(w.Checked(IDC_WIN));
        EXPECT_EQ(w.Preview(), "CTRL+ALT+");
        EXPECT_EQ(w.Key(), "");
        EXPECT_EQ(w.Status(), "");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w.Page(), IDC_PREVIEW)));

        const std::vector<std::string> keys = {
            "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P",
            "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z", "1", "2", "3", "4", "5", "6",
            "7", "8", "9", "0", "-", "=", "[", "]", "\\", ";", "'", ",", ".", "/", "`"};
        EXPECT_EQ(w.KeyItems(), keys);

        ExpectInformation(w.PressForBox(kFinish), kNoKey);
        EXPECT_EQ(w.Step(), 3);
        EXPECT_TRUE(w.Checked(IDC_CTRL) && w.Checked(IDC_ALT));

        // The prefixes come in their fixed order, whatever the order of the clicks.
        w.SetCheck(IDC_CTRL, false);
        w.SetCheck(IDC_ALT, false);
        EXPECT_EQ(w.Preview(), "");
        w.SetCheck(IDC_WIN, true);
        EXPECT_EQ(w.Preview(), "WIN+");
        w.SetCheck(IDC_SHIFT, true);
        EXPECT_EQ(w.Preview(), "SHIFT+WIN+");
        w.SetCheck(IDC_CTRL, true);
        w.SetCheck(IDC_ALT, true);
        EXPECT_EQ(w.Preview(), "CTRL+ALT+SHIFT+WIN+");
        w.Close();
    });
    EXPECT_TRUE(Stored().empty());
}

TEST_F(WizardTest, TheStatusLineTellsWhetherTheShortcutIsTaken) {
    // The last value is damaged (no target): shown "(invalid)", it holds no shortcut.
    FillRun({"1 1 0 0 78 notepad", "0 0 0 0 81 c:\\tool.exe", "0 0 1 0 65 standby", "1 1 0 0 66"});
    struct Case {
        int ctrl, alt, shift, win;
        const char* key;
        const char* status;
        int assigned;
    };
    const Case cases[] = {
        {1, 1, 0, 0, "N", "Shortcut already assigned !", 1},
        {1, 1, 0, 0, "Z", "Shortcut Unassigned", 0},
        {0, 0, 0, 0, "Z", "NOT RECOMMENDED !", 0},
        {0, 0, 0, 0, "Q", "Shortcut already assigned !", 1},  // taken wins over the warning
        {0, 0, 1, 0, "A", "Shortcut already assigned !", 1},  // another target still counts
        {0, 0, 1, 1, "A", "Shortcut Unassigned", 0},          // one modifier more does not
        {1, 1, 0, 0, "B", "Shortcut Unassigned", 0},          // a damaged record does not
        {1, 0, 0, 0, "", "", 0},                              // no key: nothing to tell
    };
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithFunction("Log Off"));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string("key [") + c.key + "] " + std::to_string(c.ctrl) +
                         std::to_string(c.alt) + std::to_string(c.shift) + std::to_string(c.win));
            w.ChooseKey(c.key);
            w.SetCheck(IDC_CTRL, c.ctrl);
            w.SetCheck(IDC_ALT, c.alt);
            w.SetCheck(IDC_SHIFT, c.shift);
            w.SetCheck(IDC_WIN, c.win);
            EXPECT_EQ(w.Status(), c.status);
            if (*c.key) {
                EXPECT_EQ(dialog_->m_page3.alreadyAssigned, c.assigned);
            }
        }
        w.Close();
    });
}

TEST_F(WizardTest, ADuplicateIsAskedAboutAndKeptOnlyOnYesAsTheNextValue) {
    FillRun({"1 1 0 0 78 notepad", "0 0 0 0 81 c:\\tool.exe", "0 0 1 0 65 standby"});
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithFunction("Eject CD Tray"));
        w.ChooseKey("N");
        ASSERT_EQ(w.Status(), "Shortcut already assigned !");
        for (int round = 0; round < 2; ++round) {
            MessageBoxInfo box = w.PressForBox(kFinish, IDNO);
            EXPECT_EQ(box.text, kDuplicate);
            EXPECT_EQ(box.caption, "Runeset");
            EXPECT_EQ(box.icon, IconKind::Information);
            EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
            EXPECT_EQ(w.Step(), 3);
            EXPECT_EQ(w.Key(), "N");
            EXPECT_EQ(w.Preview(), "CTRL+ALT+");
            EXPECT_EQ(w.Status(), "Shortcut already assigned !");
        }
        EXPECT_EQ(Stored().size(), 3u);
        w.PressForBox(kFinish, IDYES);
        EXPECT_TRUE(s.WaitGone(w.sheet()));
        // The reloaded list ends with the new record.
        EXPECT_TRUE(s.WaitUntil([&] { return s.ListCount(List(main)) == 4; }));
        EXPECT_EQ(s.ListText(List(main), 3, 0), "eject.cd.tray");
        EXPECT_EQ(s.ListText(List(main), 3, 1), "CTRL+ALT+N");
    });
    const std::map<int, std::string> stored = Stored();
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored.at(3), "1 1 0 0 78 eject.cd.tray");
}

TEST_F(WizardTest, ARecordWithoutModifiersIsSavedAsTheFirstValueOfAnEmptyStore) {
    TempTree temp("Rune save");
    const std::string program = temp.File(temp.root() + "\\Some Tool.exe");
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithProgram(program));
        w.SetCheck(IDC_CTRL, false);
        w.SetCheck(IDC_ALT, false);
        w.ChooseKey("`");
        EXPECT_EQ(w.Status(), "NOT RECOMMENDED !");
        EXPECT_TRUE(w.Close(kFinish));
    });
    const std::map<int, std::string> stored = Stored();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored.at(0), "0 0 0 0 96 " + dialog_->m_wizardState.pendingTarget);
    EXPECT_TRUE(SamePath(LongPathOf(dialog_->m_wizardState.pendingTarget), LongPathOf(program)));
}

TEST_F(WizardTest, AStoreFailureOnFinishIsToldOnceAndClosesTheWizardWithNothingAdded) {
    FillRun({"1 1 0 0 78 notepad"});
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithFunction("Reboot"));
        w.ChooseKey("R");
        runetest::RegistryFault fault(RegCall::SetValue, 1);
        MessageBoxInfo box = w.PressForBox(kFinish);
        EXPECT_TRUE(fault.fired());
        EXPECT_EQ(box.text, kStoreFailure);
        EXPECT_EQ(box.caption, "Hotrune Error");
        EXPECT_EQ(box.icon, IconKind::Exclamation);
        EXPECT_TRUE(s.WaitGone(w.sheet()));
        // A round trip once the sheet is gone: the main window has pumped again, so a second
        // box, had one followed, would exist by now.
        s.Send(main, WM_NULL, 0, 0);
        EXPECT_EQ(s.PollMessageBox(main, 0), nullptr) << "one message only";
        EXPECT_TRUE(s.WaitUntil([&] { return s.ListCount(List(main)) == 1; }));
    });
    EXPECT_EQ(Stored(), (std::map<int, std::string>{{0, "1 1 0 0 78 notepad"}}));
}

TEST_F(WizardTest, FinishAppendsAfterTheLastStoredRecordEvenWhenTheListIsOutOfDate) {
    FillRun({"1 1 0 0 78 notepad", "1 1 0 0 87 wordpad"});
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithFunction("Paint"));
        w.ChooseKey("P");
        // Another program adds a record while the wizard is open.
        Fill({{2, "1 1 0 0 67 command"}});
        EXPECT_TRUE(w.Close(kFinish));
        EXPECT_TRUE(s.WaitUntil([&] { return s.ListCount(List(main)) == 4; }));
        EXPECT_EQ(s.ListText(List(main), 3, 0), "mspaint");
        EXPECT_EQ(s.ListText(List(main), 3, 1), "CTRL+ALT+P");
    });
    EXPECT_EQ(Stored(), (std::map<int, std::string>{{0, "1 1 0 0 78 notepad"},
                                                     {1, "1 1 0 0 87 wordpad"},
                                                     {2, "1 1 0 0 67 command"},
                                                     {3, "1 1 0 0 80 mspaint"}}));
}

TEST_F(WizardTest, NoShortcutBeyondTheHundredTheListCanShowIsAdded) {
    std::vector<std::string> full;
    for (int i = 0; i < kMaxRecords; ++i) full.push_back("1 1 1 1 65 c:\\tool" + std::to_string(i) + ".exe");
    FillRun(full);
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithFunction("Shutdown"));
        w.ChooseKey("S");
        ExpectInformation(w.PressForBox(kFinish),
                          "Runeset can keep at most 100 shortcuts.\nPlease remove a shortcut you no "
                          "longer need before adding a new one.");
        EXPECT_EQ(w.Step(), 3);
        w.Close();
    });
    EXPECT_EQ(Stored().size(), static_cast<size_t>(kMaxRecords));
}

// ---- a second run -------------------------------------------------------------------------

TEST_F(WizardTest, ASecondRunStartsAfreshButKeepsTheLastKey) {
    TempTree temp("Rune second");
    const std::string program = temp.File(temp.root() + "\\Program.exe");
    HIMAGELIST firstImages = nullptr;
    Run([&](Script& s, HWND main) {
        {
            Wizard w(s, main);
            ASSERT_TRUE(w.WaitFor(1, "Back Next"));
            w.Press(kNext);
            ASSERT_TRUE(w.WaitFor(2, "Back Next"));
            w.SetProgram(program);
            w.Press(kBack);
            ASSERT_TRUE(w.WaitFor(1, "Back Next"));
            w.ChooseKind(1);
            w.Press(kNext);
            ASSERT_TRUE(w.WaitFor(2, "Back Next"));
            w.Select(w.Find("Notepad"));  // opens its group
            firstImages = dialog_->m_page2.treeImages.GetSafeHandle();
            w.Press(kNext);
            ASSERT_TRUE(w.WaitFor(3, "Back Finish"));
            w.ChooseKey("K");
            w.SetCheck(IDC_ALT, false);
            w.SetCheck(IDC_SHIFT, true);
            ASSERT_TRUE(w.Close(kFinish));
        }
        ASSERT_TRUE(s.WaitUntil([&] { return s.ListCount(List(main)) == 1; }));

        Wizard w(s, main);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        EXPECT_EQ(w.Kind(), 0);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        EXPECT_EQ(w.Program(), "");
        w.Press(kBack);
        ASSERT_TRUE(w.WaitFor(1, "Back Next"));
        w.ChooseKind(1);
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(2, "Back Next"));
        const TreeNode root = w.Tree();
        EXPECT_TRUE(root.expanded);
        ASSERT_GE(root.children.size(), 2u);
        EXPECT_FALSE(root.children[0].expanded) << "Windows Applications";
        EXPECT_FALSE(root.children[1].expanded) << "Power Management";
        EXPECT_EQ(dialog_->m_page2.treeImages.GetSafeHandle(), firstImages) << "made once per page";
        w.Select(w.Find("Wordpad"));
        w.Press(kNext);
        ASSERT_TRUE(w.WaitFor(3, "Back Finish"));
        EXPECT_EQ(w.Key(), "K");
        EXPECT_TRUE(w.Checked(IDC_CTRL) && w.Checked(IDC_ALT));
        EXPECT_FALSE(w.Checked(IDC_SHIFT) || w.Checked(IDC_WIN));
        EXPECT_EQ(w.Preview(), "CTRL+ALT+");
        EXPECT_EQ(w.Status(), "Shortcut Unassigned");
        w.SetCheck(IDC_ALT, false);
        w.SetCheck(IDC_SHIFT, true);
        EXPECT_EQ(w.Status(), "Shortcut already assigned !") << "the first run's record";
        w.Close();
    });
    EXPECT_EQ(Stored(), (std::map<int, std::string>{{0, "1 0 1 0 75 notepad"}}));
}

}  // namespace
