// Step 3 asks the system whether another program holds the shortcut being composed: the
// status line tells at once, Finish asks before saving it, and the probe never keeps the
// combination. The other program is a real second process holding a real hotkey.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/scratch_hkcu.h"
#include "hotkey_holder.h"
#include "keymap/keymapping.h"
#include "runeset/hotkey_probe.h"
#include "runeset/main_dialog.h"
#include "runeset/resource.h"
#include "ui_driver.h"
#include "wizard_driver.h"

namespace {

uidriver::TestApp g_app;

using uidriver::IconKind;
using uidriver::MessageBoxInfo;
using uidriver::Script;
using wizardtest::HotkeyHolder;
using wizardtest::kFinish;
using wizardtest::TryRegisterElsewhere;
using wizardtest::Wizard;

const char kHeld[] = "Shortcut used by another program !";
const char kTaken[] = "Shortcut already assigned !";
const char kFree[] = "Shortcut Unassigned";
constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

keymap::KeyMapping Shortcut(int ctrl, int alt, int shift, int win, int key) {
    keymap::KeyMapping m;
    m.ctrl = ctrl;
    m.alt = alt;
    m.shift = shift;
    m.win = win;
    m.key = key;
    return m;
}

class ProbeTest : public runetest::ScratchHkcuTest {
protected:
    // One run of the main window; whatever the script leaves open is cancelled afterwards.
    void Run(const std::function<void(Script&, HWND main)>& script) {
        dialog_ = std::make_unique<CRunesetDlg>();
        uidriver::RunMainDialog(*dialog_, [&](Script& s) {
            HWND main = s.MainDialog();
            ASSERT_NE(main, nullptr);
            script(s, main);
        });
    }
    std::unique_ptr<CRunesetDlg> dialog_;
};

// ---- the probe on its own --------------------------------------------------------------

TEST(HotkeyProbe, TellsHeldFreeAndUnknownApartAndKeepsNothing) {
    HotkeyHolder holder(kCtrlAlt | MOD_SHIFT, 'P');
    ASSERT_TRUE(holder.holding());
    struct Case {
        keymap::KeyMapping shortcut;
        runeset::HotkeyProbe expected;
        const char* what;
    };
    const Case cases[] = {
        {Shortcut(1, 1, 1, 0, 'P'), runeset::HotkeyProbe::Held, "held by the other process"},
        {Shortcut(1, 1, 0, 0, 'P'), runeset::HotkeyProbe::Free, "one modifier fewer"},
        {Shortcut(1, 1, 1, 0, '`'), runeset::HotkeyProbe::Free, "punctuation key"},
        {Shortcut(1, 1, 1, 0, 0), runeset::HotkeyProbe::Unknown, "no key at all"},
        {Shortcut(1, 1, 1, 0, 300), runeset::HotkeyProbe::Unknown, "a code no key types"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(runeset::ProbeHotkey(c.shortcut), c.expected);
    }
    // The free ones were released at once: another program can take them.
    EXPECT_EQ(TryRegisterElsewhere(kCtrlAlt, 'P'), 0u);
    EXPECT_EQ(TryRegisterElsewhere(kCtrlAlt | MOD_SHIFT, VK_OEM_3), 0u);
    ASSERT_TRUE(holder.Release());
    EXPECT_EQ(runeset::ProbeHotkey(Shortcut(1, 1, 1, 0, 'P')), runeset::HotkeyProbe::Free);
}

// ---- Step 3 ------------------------------------------------------------------------------

TEST_F(ProbeTest, AHeldShortcutIsToldAtOnceAndSavedOnlyWhenTheUserSaysYes) {
    ASSERT_TRUE(runetest::FillKeyMappingsRun({"1 1 0 0 78 notepad"}));
    HotkeyHolder heldJ(kCtrlAlt, 'J');
    HotkeyHolder heldN(kCtrlAlt, 'N');  // also in the table: that wins
    ASSERT_TRUE(heldJ.holding() && heldN.holding());
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithFunction("Standby"));
        const struct {
            const char* key;
            const char* status;
            int assigned, held;
        } cases[] = {
            {"J", kHeld, 0, 1},
            {"N", kTaken, 1, 0},
            {"K", kFree, 0, 0},
            {"J", kHeld, 0, 1},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.key);
            w.ChooseKey(c.key);
            EXPECT_EQ(w.Status(), c.status);
            EXPECT_EQ(dialog_->m_page3.alreadyAssigned, c.assigned);
            EXPECT_EQ(dialog_->m_page3.heldElsewhere, c.held);
        }
        // Probing K left it free for anyone.
        EXPECT_EQ(TryRegisterElsewhere(kCtrlAlt, 'K'), 0u);

        for (int round = 0; round < 2; ++round) {
            MessageBoxInfo box = w.PressForBox(kFinish, IDNO);
            EXPECT_EQ(box.text,
                      "The shortcut CTRL+ALT+J is used by another program.\nIt will not work while "
                      "that program holds it.\nDo you want to save it anyway ?");
            EXPECT_EQ(box.caption, "Runeset");
            EXPECT_EQ(box.icon, IconKind::Question);
            EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
            EXPECT_EQ(w.Step(), 3);
            EXPECT_EQ(w.Key(), "J");
            EXPECT_EQ(w.Status(), kHeld);
        }
        EXPECT_EQ(runetest::StoredKeyMappings().size(), 1u);
        w.PressForBox(kFinish, IDYES);
        EXPECT_TRUE(s.WaitGone(w.sheet()));
    });
    const std::map<int, std::string> stored = runetest::StoredKeyMappings();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored.at(1), "1 1 0 0 74 standby");
}

TEST_F(ProbeTest, TheStatusClearsOnTheNextChangeAfterTheOtherProgramLetsGo) {
    auto holder = std::make_unique<HotkeyHolder>(kCtrlAlt | MOD_WIN, 'M');
    ASSERT_TRUE(holder->holding());
    Run([&](Script& s, HWND main) {
        Wizard w(s, main);
        ASSERT_TRUE(w.ToStep3WithFunction("Log Off"));
        w.SetCheck(IDC_WIN, true);
        w.ChooseKey("M");
        EXPECT_EQ(w.Status(), kHeld);

        ASSERT_TRUE(holder->Release());
        w.SetCheck(IDC_WIN, false);
        EXPECT_EQ(w.Status(), kFree);
        w.SetCheck(IDC_WIN, true);
        EXPECT_EQ(w.Status(), kFree);
        EXPECT_EQ(dialog_->m_page3.heldElsewhere, 0);

        // Nothing to ask now: Finish saves at once.
        EXPECT_TRUE(w.Close(kFinish));
    });
    EXPECT_EQ(runetest::StoredKeyMappings(), (std::map<int, std::string>{{0, "1 1 0 1 77 log.off"}}));
    // Runeset keeps no hotkey of its own after probing.
    EXPECT_EQ(TryRegisterElsewhere(kCtrlAlt | MOD_WIN, 'M'), 0u);
}

}  // namespace
