// The function catalogue as Runeset shows it: the tree of Step 2 (labels, groups, icons) and
// the list icon of each function. The tokens themselves are keymap's (keymap/functions.h).
#pragma once

#include <array>
#include <optional>

#include "keymap/functions.h"

namespace runeset {

struct CatalogueNode {
    const char* label;
    int parent;                              // index of the parent node in Entries(), -1 for the root
    std::optional<keymap::Function> function;  // none for the root and the groups: they cannot be chosen
    int treeImage;                           // index into TreeIcons()
    int listIcon;                            // icon resource for the main window's list; 0 for the root and groups
};

constexpr int kCatalogueNodeCount = 3 + keymap::kFunctionCount;
constexpr int kCatalogueEntryCount = keymap::kFunctionCount;
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

}  // namespace runeset
