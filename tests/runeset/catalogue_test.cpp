#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "runeset/catalogue.h"

namespace runeset {
namespace {

struct Row {
    const char* label;
    const char* parent;  // label of the parent node, nullptr for the root
    const char* token;
    int treeImage;
    int listIcon;
};

// The whole tree in insertion order.
const Row kTree[] = {
    {"Functions", nullptr, nullptr, 0, 0},
    {"Windows Applications", "Functions", nullptr, 1, 0},
    {"Power Management", "Functions", nullptr, 2, 0},
    {"Eject CD Tray", "Functions", "eject.cd.tray", 3, 156},
    {"Close CD Tray", "Functions", "close.cd.tray", 3, 156},
    {"Increase volume by 10%", "Functions", "increase.volume", 6, 170},
    {"Decrease volume by 10%", "Functions", "decrease.volume", 6, 170},
    {"Start Screen Saver", "Functions", "start.screensaver", 4, 179},
    {"Notepad", "Windows Applications", "notepad", 7, 165},
    {"Wordpad", "Windows Applications", "wordpad", 8, 172},
    {"Command Prompt", "Windows Applications", "command", 9, 173},
    {"Paint", "Windows Applications", "mspaint", 10, 174},
    {"Registry Editor", "Windows Applications", "regedit", 11, 177},
    {"Windows Media Player", "Windows Applications", "mplayer2", 12, 175},
    {"Volume Control", "Windows Applications", "volume.control", 13, 176},
    {"Standby", "Power Management", "standby", 5, 161},
    {"Power Off", "Power Management", "power.off", 5, 161},
    {"Shutdown", "Power Management", "shutdown", 5, 161},
    {"Reboot", "Power Management", "reboot", 5, 161},
    {"Log Off", "Power Management", "log.off", 5, 161},
};

TEST(Catalogue, EntriesInInsertionOrder) {
    const auto& nodes = Entries();
    ASSERT_EQ(nodes.size(), std::size(kTree));
    for (size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(kTree[i].label);
        const CatalogueNode& n = nodes[i];
        EXPECT_STREQ(n.label, kTree[i].label);
        if (kTree[i].parent) {
            ASSERT_GE(n.parent, 0);
            ASSERT_LT(static_cast<size_t>(n.parent), i);  // a parent is inserted before its children
            EXPECT_STREQ(nodes[n.parent].label, kTree[i].parent);
        } else {
            EXPECT_EQ(n.parent, -1);
        }
        if (kTree[i].token) {
            EXPECT_STREQ(TokenOf(n), kTree[i].token);
        } else {
            EXPECT_EQ(TokenOf(n), nullptr);
        }
        EXPECT_EQ(n.treeImage, kTree[i].treeImage);
        EXPECT_EQ(n.listIcon, kTree[i].listIcon);
    }
}

TEST(Catalogue, TreeIconsInImageListOrder) {
    const int expected[] = {151, 159, 161, 156, 179, 178, 170, 165, 172, 173, 174, 177, 175, 176};
    const auto& icons = TreeIcons();
    ASSERT_EQ(icons.size(), std::size(expected));
    for (size_t i = 0; i < icons.size(); ++i) EXPECT_EQ(icons[i], expected[i]) << "image " << i;
    // Power entries: icon 178 in the tree, the group's 161 in the list.
    EXPECT_EQ(icons[Entries()[15].treeImage], 178);
    EXPECT_EQ(Entries()[15].listIcon, 161);
}

TEST(Catalogue, TokensAreDistinctLowerCaseWithoutSpaces) {
    std::set<std::string> seen;
    int count = 0;
    for (const CatalogueNode& n : Entries()) {
        const char* token = TokenOf(n);
        if (!token) continue;
        ++count;
        EXPECT_TRUE(seen.insert(token).second) << token;
        for (const char* c = token; *c; ++c) {
            EXPECT_FALSE(std::isspace(static_cast<unsigned char>(*c))) << token;
            EXPECT_FALSE(std::isupper(static_cast<unsigned char>(*c))) << token;
        }
    }
    EXPECT_EQ(count, kCatalogueEntryCount);
}

// The tree and the service key on the same token table: a function added there without a
// node here could never be chosen.
TEST(Catalogue, EveryFunctionHasExactlyOneEntry) {
    for (keymap::Function f : keymap::Functions()) {
        int nodes = 0;
        for (const CatalogueNode& n : Entries()) nodes += n.function == f;
        EXPECT_EQ(nodes, 1) << keymap::TokenOf(f);
    }
}

TEST(Catalogue, ListIconFor) {
    struct Case {
        const char* target;
        int icon;
    } cases[] = {
        {"notepad", 165},         {"wordpad", 172},           {"command", 173},
        {"mspaint", 174},         {"regedit", 177},           {"mplayer2", 175},
        {"volume.control", 176},  {"log.off", 161},           {"shutdown", 161},
        {"power.off", 161},       {"reboot", 161},            {"standby", 161},
        {"eject.cd.tray", 156},   {"close.cd.tray", 156},     {"start.screensaver", 179},
        {"increase.volume", 170}, {"decrease.volume", 170},
        // Exact, case-sensitive matches only; everything else falls back to 178.
        {"Standby", 178},         {"standby ", 178},          {"standb", 178},
        {"", 178},                {"C:\\PROGRA~1\\TOOL.EXE", 178},
        {"Functions", 178},       {"Power Management", 178},
    };
    for (const Case& c : cases) EXPECT_EQ(ListIconFor(c.target), c.icon) << '"' << c.target << '"';
    EXPECT_EQ(ListIconFor(nullptr), 178);
}

}  // namespace
}  // namespace runeset
