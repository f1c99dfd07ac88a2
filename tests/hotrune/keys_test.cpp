// The rules that turn stored records into system hotkeys: which virtual key each key
// character becomes, how records sharing a combination are grouped, and what is reported.
#include <gtest/gtest.h>

#include <cstring>

#include "hotrune/bindings.h"
#include "hotrune/keys.h"
#include "hotrune/launch.h"
#include "keymap/keymapping.h"

using hotrune::VirtualKeyFor;

// The 47 key characters of the shortcut key list, on the US layout the test desktop uses.
TEST(HotruneKeys, EveryKeyOfTheKeyListHasItsVirtualKey) {
    for (char c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(VirtualKeyFor(c), static_cast<UINT>(c)) << c;
    for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(VirtualKeyFor(c), static_cast<UINT>(c)) << c;
    const struct {
        char c;
        UINT vk;
    } punctuation[] = {
        {'-', VK_OEM_MINUS}, {'=', VK_OEM_PLUS},  {'[', VK_OEM_4},      {']', VK_OEM_6},
        {'\\', VK_OEM_5},    {';', VK_OEM_1},     {'\'', VK_OEM_7},     {',', VK_OEM_COMMA},
        {'.', VK_OEM_PERIOD}, {'/', VK_OEM_2},    {'`', VK_OEM_3},
    };
    for (const auto& p : punctuation) EXPECT_EQ(VirtualKeyFor(p.c), p.vk) << p.c;
}

TEST(HotruneKeys, HandEditedKeysMapOrAreRefused) {
    EXPECT_EQ(VirtualKeyFor('n'), static_cast<UINT>('N'));  // lower case: the same key
    // SHIFT+1 on this layout: not a key of its own, so no hotkey rather than a wrong one.
    EXPECT_EQ(VirtualKeyFor('!'), 0u);
    for (int code : {0, 32, 127, 200, 256, -1, -129, 100000})
        EXPECT_EQ(VirtualKeyFor(code), 0u) << code;
}

namespace {

hotrune::StoredRecord Record(int index, const char* text) {
    hotrune::StoredRecord r;
    r.index = index;
    r.text = text;
    r.wellFormed = keymap::ParseRecordText(text, r.mapping);
    return r;
}

}  // namespace

TEST(HotruneBindings, RecordsOfOneCombinationShareABindingInStoreOrder) {
    const std::vector<hotrune::StoredRecord> records = {
        Record(0, "1 1 0 0 78 notepad"),
        Record(1, "0 0 1 1 53 eject.cd.tray"),
        Record(2, "1 1 0 0 78 C:\\TOOLS\\A.EXE"),
        Record(3, "1 1 0 0 110 regedit"),   // hand-edited lower-case n: the same key
        Record(4, "1 0 0 0 78 C:\\B.EXE"),  // CTRL+N only: another combination
    };
    const hotrune::BindingPlan plan = hotrune::PlanBindings(records);
    EXPECT_TRUE(plan.problems.empty());
    ASSERT_EQ(plan.bindings.size(), 3u);

    const hotrune::Binding& ctrlAltN = plan.bindings[0];
    EXPECT_EQ(ctrlAltN.hotkey.modifiers, static_cast<UINT>(MOD_CONTROL | MOD_ALT));
    EXPECT_EQ(ctrlAltN.hotkey.vk, static_cast<UINT>('N'));
    EXPECT_EQ(ctrlAltN.targets,
              (std::vector<std::string>{"notepad", "C:\\TOOLS\\A.EXE", "regedit"}));
    EXPECT_EQ(hotrune::DescribeBinding(ctrlAltN), "CTRL+ALT+N (notepad, C:\\TOOLS\\A.EXE, regedit)");

    EXPECT_EQ(plan.bindings[1].hotkey.modifiers, static_cast<UINT>(MOD_SHIFT | MOD_WIN));
    EXPECT_EQ(plan.bindings[1].hotkey.vk, static_cast<UINT>('5'));
    EXPECT_EQ(plan.bindings[2].hotkey.modifiers, static_cast<UINT>(MOD_CONTROL));
}

TEST(HotruneBindings, DamagedRecordsAndUnusableKeysAreReportedNotRegistered) {
    const std::vector<hotrune::StoredRecord> records = {
        Record(0, "1 1 0 0 78 notepad"),
        Record(1, "garbage"),
        Record(2, "1 1 0 0 33 C:\\BANG.EXE"),  // '!'
        Record(3, "1 1 0 0 78"),               // no target
    };
    const hotrune::BindingPlan plan = hotrune::PlanBindings(records);
    ASSERT_EQ(plan.bindings.size(), 1u);
    EXPECT_EQ(plan.bindings[0].targets, std::vector<std::string>{"notepad"});
    ASSERT_EQ(plan.problems.size(), 3u);
    EXPECT_NE(plan.problems[0].find("number 2 (\"garbage\")"), std::string::npos) << plan.problems[0];
    EXPECT_NE(plan.problems[1].find("CTRL+ALT+! (C:\\BANG.EXE)"), std::string::npos) << plan.problems[1];
    EXPECT_NE(plan.problems[2].find("number 4"), std::string::npos) << plan.problems[2];
}

TEST(HotruneLaunch, ProgramsRunInTheFolderThatHoldsThem) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"C:\\PROGRA~1\\TOOL.EXE", "C:\\PROGRA~1"},
        {"C:\\TOOL.EXE", "C:\\"},
        {"\\\\SERVER\\SHARE\\TOOL.EXE", "\\\\SERVER\\SHARE"},
        {"C:TOOL.EXE", "C:"},
        {"TOOL.EXE", ""},
        {"\\TOOL.EXE", "\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(hotrune::FolderOf(c.path), c.folder) << c.path;
}
