// The built-in functions a shortcut can launch besides a program: 17 entries under three
// group nodes, with the token stored as a record's target and the icons shown for them.
#pragma once

#include <array>

#include "keymap/catalogue_ids.h"

namespace keymap {

struct CatalogueNode {
    const char* label;
    int parent;          // index of the parent node in Entries(), -1 for the root
    const char* token;   // nullptr for the root and the groups: they cannot be chosen
    int treeImage;       // index into TreeIcons()
    int listIcon;        // icon resource for the main window's list; 0 for the root and groups
};

constexpr int kCatalogueNodeCount = 20;
constexpr int kCatalogueEntryCount = 17;
constexpr int kTreeIconCount = 14;

// The root, the two groups, then the 17 entries, in tree insertion order.
const std::array<CatalogueNode, kCatalogueNodeCount>& Entries();
// Icon resource ids in tree image-list order: image index i shows TreeIcons()[i].
const std::array<int, kTreeIconCount>& TreeIcons();
// The entry's token; nullptr for the root and the groups.
const char* TokenOf(const CatalogueNode& node);
// The list icon of the entry whose token equals `target` exactly (case-sensitive), otherwise
// IDI_DEFAULT_LIST.
int ListIconFor(const char* target);

}  // namespace keymap
