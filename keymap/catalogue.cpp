#include "keymap/catalogue.h"

#include <cstring>

namespace keymap {

namespace {

enum Node { kRoot = 0, kApps = 1, kPower = 2 };

const std::array<CatalogueNode, kCatalogueNodeCount> kNodes = {{
    {"Functions", -1, nullptr, 0, 0},
    {"Windows Applications", kRoot, nullptr, 1, 0},
    {"Power Management", kRoot, nullptr, 2, 0},
    {"Eject CD Tray", kRoot, "eject.cd.tray", 3, IDI_CAT_CDTRAY},
    {"Close CD Tray", kRoot, "close.cd.tray", 3, IDI_CAT_CDTRAY},
    {"Increase volume by 10%", kRoot, "increase.volume", 6, IDI_CAT_VOLUME},
    {"Decrease volume by 10%", kRoot, "decrease.volume", 6, IDI_CAT_VOLUME},
    {"Start Screen Saver", kRoot, "start.screensaver", 4, IDI_CAT_SCREENSAVER},
    {"Notepad", kApps, "notepad", 7, IDI_CAT_NOTEPAD},
    {"Wordpad", kApps, "wordpad", 8, IDI_CAT_WORDPAD},
    {"Command Prompt", kApps, "command", 9, IDI_CAT_COMMAND},
    {"Paint", kApps, "mspaint", 10, IDI_CAT_PAINT},
    {"Registry Editor", kApps, "regedit", 11, IDI_CAT_REGEDIT},
    {"Windows Media Player", kApps, "mplayer2", 12, IDI_CAT_MEDIAPLAYER},
    {"Volume Control", kApps, "volume.control", 13, IDI_CAT_VOLUMECONTROL},
    // Power entries show icon 178 in the tree but the group's icon in the list.
    {"Standby", kPower, "standby", 5, IDI_CAT_POWER_GROUP},
    {"Power Off", kPower, "power.off", 5, IDI_CAT_POWER_GROUP},
    {"Shutdown", kPower, "shutdown", 5, IDI_CAT_POWER_GROUP},
    {"Reboot", kPower, "reboot", 5, IDI_CAT_POWER_GROUP},
    {"Log Off", kPower, "log.off", 5, IDI_CAT_POWER_GROUP},
}};

const std::array<int, kTreeIconCount> kTreeIcons = {
    IDI_CAT_FUNCTIONS, IDI_CAT_APPLICATIONS, IDI_CAT_POWER_GROUP, IDI_CAT_CDTRAY,
    IDI_CAT_SCREENSAVER, IDI_CAT_POWER,     IDI_CAT_VOLUME,      IDI_CAT_NOTEPAD,
    IDI_CAT_WORDPAD,   IDI_CAT_COMMAND,     IDI_CAT_PAINT,       IDI_CAT_REGEDIT,
    IDI_CAT_MEDIAPLAYER, IDI_CAT_VOLUMECONTROL,
};

}  // namespace

const std::array<CatalogueNode, kCatalogueNodeCount>& Entries() { return kNodes; }

const std::array<int, kTreeIconCount>& TreeIcons() { return kTreeIcons; }

const char* TokenOf(const CatalogueNode& node) { return node.token; }

int ListIconFor(const char* target) {
    if (target) {
        for (const CatalogueNode& node : kNodes) {
            if (node.token && std::strcmp(node.token, target) == 0) return node.listIcon;
        }
    }
    return IDI_DEFAULT_LIST;
}

}  // namespace keymap
