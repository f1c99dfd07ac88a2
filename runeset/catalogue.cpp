#include "runeset/catalogue.h"

#include "runeset/resource.h"

namespace runeset {

namespace {

using keymap::Function;

enum Node { kRoot = 0, kApps = 1, kPower = 2 };
constexpr std::optional<Function> kGroup = std::nullopt;

const std::array<CatalogueNode, kCatalogueNodeCount> kNodes = {{
    {"Functions", -1, kGroup, 0, 0},
    {"Windows Applications", kRoot, kGroup, 1, 0},
    {"Power Management", kRoot, kGroup, 2, 0},
    {"Eject CD Tray", kRoot, Function::EjectCdTray, 3, IDI_CAT_CDTRAY},
    {"Close CD Tray", kRoot, Function::CloseCdTray, 3, IDI_CAT_CDTRAY},
    {"Increase volume by 10%", kRoot, Function::IncreaseVolume, 6, IDI_CAT_VOLUME},
    {"Decrease volume by 10%", kRoot, Function::DecreaseVolume, 6, IDI_CAT_VOLUME},
    {"Start Screen Saver", kRoot, Function::StartScreenSaver, 4, IDI_CAT_SCREENSAVER},
    {"Notepad", kApps, Function::Notepad, 7, IDI_CAT_NOTEPAD},
    {"Wordpad", kApps, Function::Wordpad, 8, IDI_CAT_WORDPAD},
    {"Command Prompt", kApps, Function::CommandPrompt, 9, IDI_CAT_COMMAND},
    {"Paint", kApps, Function::Paint, 10, IDI_CAT_PAINT},
    {"Registry Editor", kApps, Function::RegistryEditor, 11, IDI_CAT_REGEDIT},
    {"Windows Media Player", kApps, Function::MediaPlayer, 12, IDI_CAT_MEDIAPLAYER},
    {"Volume Control", kApps, Function::VolumeControl, 13, IDI_CAT_VOLUMECONTROL},
    // Power entries show icon 178 in the tree but the group's icon in the list.
    {"Standby", kPower, Function::Standby, 5, IDI_CAT_POWER_GROUP},
    {"Power Off", kPower, Function::PowerOff, 5, IDI_CAT_POWER_GROUP},
    {"Shutdown", kPower, Function::Shutdown, 5, IDI_CAT_POWER_GROUP},
    {"Reboot", kPower, Function::Reboot, 5, IDI_CAT_POWER_GROUP},
    {"Log Off", kPower, Function::LogOff, 5, IDI_CAT_POWER_GROUP},
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

const char* TokenOf(const CatalogueNode& node) {
    return node.function ? keymap::TokenOf(*node.function) : nullptr;
}

int ListIconFor(const char* target) {
    if (const std::optional<Function> f = keymap::FunctionOf(target)) {
        for (const CatalogueNode& node : kNodes) {
            if (node.function == f) return node.listIcon;
        }
    }
    return IDI_DEFAULT_LIST;
}

}  // namespace runeset
