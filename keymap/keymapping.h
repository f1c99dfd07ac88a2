// One user-defined global shortcut and its two text forms: the record text kept in the
// registry (and read by the hotkey service) and the shortcut text shown to the user.
#pragma once

#include <cstdint>
#include <string>

namespace keymap {

constexpr int kTargetSize = 256;      // target buffer, terminating NUL included
constexpr int kMaxRecordText = 268;   // 4 flags, a 4-character key code, 5 spaces, 255-byte target

struct KeyMapping {
    std::int32_t ctrl = 0;
    std::int32_t alt = 0;
    std::int32_t shift = 0;
    std::int32_t win = 0;
    std::int32_t key = 0;              // character code, from an 8-bit character taken as signed
    char target[kTargetSize] = {};     // short program path or catalogue token, at most 255 bytes
};

// "%d %d %d %d %d %s": ctrl, alt, shift, win, key, target.
std::string FormatRecordText(const KeyMapping& mapping);

// Reads the record text back with scanf rules: five decimal integers, then the target as
// the next run of non-white-space characters; anything after it is ignored.
// Every field of `out` is set whatever the text holds: fields the text does not supply are
// 0 (the target empty), and a target longer than 255 bytes keeps its first 255.
// Returns true when the text held five integers and a target, false for a hand-edited or
// damaged value (also a number outside the 32-bit range, clamped, or a target cut to 255
// bytes), which callers still keep at its index so that it can be seen and removed.
bool ParseRecordText(const char* text, KeyMapping& out);
KeyMapping ParseRecordText(const char* text);

// "CTRL+", "ALT+", "SHIFT+", "WIN+" for the set modifiers, always in this order.
std::string ModifierText(int ctrl, int alt, int shift, int win);
// ModifierText followed by the key as one character.
std::string ShortcutText(const KeyMapping& mapping);
// Equal modifiers and key; the target plays no part.
bool SameShortcut(const KeyMapping& a, const KeyMapping& b);

}  // namespace keymap
