// The store's records turned into hotkeys: records that share a key combination become one
// binding that carries out all their targets in store order, and every record that cannot
// become a hotkey is described for the user.
#pragma once

#include <string>
#include <vector>

#include "hotrune/keys.h"
#include "keymap/keymapping.h"
#include "keymap/store.h"

namespace hotrune {

// The service uses the first this many records, as many as Runeset shows; the others stay
// stored, unused, and the user is told at every start and reload.
constexpr int kMaxShortcuts = keymap::kMaxUsedRecords;

struct StoredRecord {
    int index = 0;                // the value's name in the store
    std::string text;             // the stored text as read
    keymap::KeyMapping mapping;   // parsed; every field set
    bool wellFormed = false;
};

struct Binding {
    Hotkey hotkey;
    std::string shortcutText;           // e.g. "CTRL+ALT+N", of the first record
    std::vector<std::string> targets;   // in store order
};

struct BindingPlan {
    std::vector<Binding> bindings;      // in the order of each combination's first record
    std::vector<std::string> problems;  // one line per record that gets no hotkey
};

// Groups the records by key combination. Records that are SameShortcut always share a
// binding; so do records whose keys differ but land on the same virtual key (a hand-edited
// "a" and an "A"), since the system holds one hotkey per combination.
BindingPlan PlanBindings(const std::vector<StoredRecord>& records);

// "CTRL+ALT+N (notepad, C:\TOOLS\X.EXE)": how a binding is named to the user.
std::string DescribeBinding(const Binding& binding);

}  // namespace hotrune
