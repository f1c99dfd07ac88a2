// What the Add wizard's pages share with the main window, which owns both and is reached as
// the application's main window: the table of the records it last loaded, and the wizard's
// own state. Pages and tests use these types only, never the main window's.
#pragma once

#include <array>
#include <string>

#include "keymap/keymapping.h"
#include "keymap/store.h"
#include "winframe/propsheet.h"

// The most records the main window lists; Step 3 refuses to add one beyond them.
constexpr int kMaxRecords = keymap::kMaxUsedRecords;

// Step 1's choice. The values are the radio buttons' order in the group.
enum class ShortcutKind { None = -1, Program = 0, Function = 1 };

// Row i of the main window's list, record i here and the store value named i are the same
// mapping as of the last reload.
struct KeyMappingTable {
    std::array<keymap::KeyMapping, kMaxRecords> records{};
    // The stored text of each row: Remove names the record it removes by it, in case another
    // program has changed the store since.
    std::array<std::string, kMaxRecords> storedTexts;
    int count = 0;  // rows loaded, at most kMaxRecords
};

struct WizardState {
    ShortcutKind pendingKind = ShortcutKind::Program;  // written by Step 1
    std::string pendingTarget;                          // written by Step 2, saved by Step 3
    CPropertySheetEx wizard;                            // the Add wizard itself
};

// The main window's table and wizard state, found through the application's main window
// (never through a page's parent). Throw std::logic_error when there is none, which the
// page's window procedure reports.
KeyMappingTable& WizardTable();
WizardState& CurrentWizard();
