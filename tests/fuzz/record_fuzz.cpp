// Fuzzes the record text forms: any stored value must parse without overrunning, leave every
// field defined, and a parsed record must format and parse back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "keymap/keymapping.h"

using keymap::KeyMapping;

static bool Same(const KeyMapping& a, const KeyMapping& b) {
    return keymap::SameShortcut(a, b) && std::strcmp(a.target, b.target) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Registry data arrives as bytes with no guaranteed terminator: terminate it here, as the
    // store's reader does.
    std::string text(reinterpret_cast<const char*>(data), size);
    KeyMapping parsed;
    bool wellFormed = keymap::ParseRecordText(text.c_str(), parsed);
    size_t targetLength = strnlen(parsed.target, sizeof parsed.target);
    if (targetLength >= sizeof parsed.target) std::abort();  // target must stay terminated
    if (!wellFormed) return 0;
    if (targetLength == 0) std::abort();  // a well-formed record has a target

    // Round trip: what we format, we read back unchanged.
    std::string formatted = keymap::FormatRecordText(parsed);
    // Records the wizard can make (flags 0/1, an 8-bit key) fit the documented maximum.
    bool flagsOnly = (parsed.ctrl | parsed.alt | parsed.shift | parsed.win) >= 0 &&
                     parsed.ctrl <= 1 && parsed.alt <= 1 && parsed.shift <= 1 && parsed.win <= 1;
    if (flagsOnly && parsed.key >= -128 && parsed.key <= 255 &&
        formatted.size() > static_cast<size_t>(keymap::kMaxRecordText))
        std::abort();
    KeyMapping again;
    if (!keymap::ParseRecordText(formatted.c_str(), again) || !Same(parsed, again)) std::abort();
    if (keymap::FormatRecordText(again) != formatted) std::abort();

    // The shortcut text never carries the key's NUL and always starts with the modifiers.
    std::string shortcut = keymap::ShortcutText(parsed);
    if (shortcut.find('\0') != std::string::npos) std::abort();
    std::string prefix = keymap::ModifierText(parsed.ctrl, parsed.alt, parsed.shift, parsed.win);
    if (shortcut.compare(0, prefix.size(), prefix) != 0) std::abort();
    return 0;
}
