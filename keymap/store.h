// The user's shortcuts in HKEY_CURRENT_USER\Software\Quillmarsh\Hotrune\KeyMappings: one
// REG_SZ value per record, named 0, 1, 2, ... without a gap. Every operation opens the key
// path anew and keeps nothing afterwards: the registry is the only copy.
#pragma once

#include <functional>

#include "keymap/keymapping.h"

namespace keymap {

// How many records Runeset lists and the service uses: the first this many of the run. Values
// beyond them stay stored, untouched; both programs say so.
constexpr int kMaxUsedRecords = 100;

enum class StoreResult {
    Ok,
    StoreOpenFailed,  // the key path could not be opened or created
    WriteFailed,      // Append could not write its value
    DeleteFailed,     // RemoveAt could not delete the last value of the run; records put back
    MoveFailed,       // RemoveAt could not move a record down; every record put back
    ReadFailed,       // LoadAll met a value it could not read; the records before it were visited
    RecordChanged,    // RemoveAt: the record is no longer the one expected; nothing was changed
};

struct LoadedRecord {
    int index;             // the value's name
    const char* text;      // the stored text, NUL-terminated (valid during the visit only)
    KeyMapping mapping;    // the text parsed; every field set even when malformed
    bool wellFormed;       // the text held five integers and a target
};

// Return true to read the next value, false to stop early.
using LoadVisit = std::function<bool(const LoadedRecord&)>;

// Visits the values named 0, 1, 2, ... in order and ends at the first one that is missing.
// A value that exists but cannot be read ends the visits too, reported as ReadFailed: the
// records visited are then only the first part of the store. Ok, StoreOpenFailed or ReadFailed.
StoreResult LoadAll(const LoadVisit& visit);

// LoadAll for a reader that never writes (the service): opens the key read-only and creates
// nothing; a store that does not exist yet is empty. Ok, StoreOpenFailed or ReadFailed.
StoreResult LoadAllReadOnly(const LoadVisit& visit);

// Writes `recordText` as a new last record: the value goes to the end of the run as it is now
// in the registry (never the caller's idea of it), so an existing record is never overwritten
// and the new one never lands beyond a gap. `writtenIndex`, when given, receives the name
// actually written. Ok, StoreOpenFailed or WriteFailed.
StoreResult Append(const char* recordText, int* writtenIndex = nullptr);

// Removes record `selected`: moves every later record of the run down by one, each with its
// type and bytes unchanged, then deletes the last value. The whole run as it is now in the
// registry is moved (never the caller's idea of it), so no record is hidden behind a gap.
// `expectedText`, when given, is the record text the caller showed for `selected`; if the
// value named `selected` no longer holds it (another program changed the store), nothing is
// changed: RecordChanged.
// A move or the final delete that fails stops the removal, and the records already moved are
// written back where they were: MoveFailed or DeleteFailed, the store as before (unless writing
// back fails too). Ok, StoreOpenFailed, RecordChanged, MoveFailed or DeleteFailed.
StoreResult RemoveAt(int selected, const char* expectedText = nullptr);

// Sub-key path below HKEY_CURRENT_USER.
extern const char kKeyMappingsPath[];

}  // namespace keymap
