#include "hotrune/keys.h"

namespace hotrune {

namespace {

// Where each punctuation key of the shortcut key list sits on the US layout.
UINT UsLayoutKey(int c) {
    switch (c) {
    case '-': return VK_OEM_MINUS;
    case '=': return VK_OEM_PLUS;
    case '[': return VK_OEM_4;
    case ']': return VK_OEM_6;
    case '\\': return VK_OEM_5;
    case ';': return VK_OEM_1;
    case '\'': return VK_OEM_7;
    case ',': return VK_OEM_COMMA;
    case '.': return VK_OEM_PERIOD;
    case '/': return VK_OEM_2;
    case '`': return VK_OEM_3;
    default: return 0;
    }
}

}  // namespace

UINT VirtualKeyFor(int keyChar) {
    // The record keeps the character as a signed 8-bit value; anything else is no key.
    if (keyChar < -128 || keyChar > 255) return 0;
    const unsigned char c = static_cast<unsigned char>(keyChar);
    // Letter and digit keys have the same virtual key on every layout, whatever the SHIFT
    // state the layout needs to type the character.
    if (c >= 'A' && c <= 'Z') return c;
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c >= '0' && c <= '9') return c;
    if (c <= ' ' || c >= 0x7F) return 0;
    const SHORT scan = ::VkKeyScanA(static_cast<CHAR>(c));
    if (scan != -1 && HIBYTE(scan) == 0 && LOBYTE(scan) != 0) return LOBYTE(scan);
    return UsLayoutKey(c);
}

bool HotkeyFor(const keymap::KeyMapping& mapping, Hotkey& out) {
    out = Hotkey{};
    out.vk = VirtualKeyFor(mapping.key);
    if (out.vk == 0) return false;
    if (mapping.ctrl) out.modifiers |= MOD_CONTROL;
    if (mapping.alt) out.modifiers |= MOD_ALT;
    if (mapping.shift) out.modifiers |= MOD_SHIFT;
    if (mapping.win) out.modifiers |= MOD_WIN;
    return true;
}

}  // namespace hotrune
