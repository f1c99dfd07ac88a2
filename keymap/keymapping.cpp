#include "keymap/keymapping.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace keymap {

std::string FormatRecordText(const KeyMapping& m) {
    std::string text;
    for (std::int32_t v : {m.ctrl, m.alt, m.shift, m.win, m.key}) {
        text += std::to_string(v);
        text += ' ';
    }
    // The target field is a fixed buffer; never read past it even if it lacks a terminator.
    text.append(m.target, strnlen(m.target, sizeof m.target));
    return text;
}

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// One "%d" conversion: skips white space, reads an optional sign and decimal digits.
// Out-of-range values are clamped to the 32-bit range rather than left undefined, and the
// text counts as damaged: FormatRecordText never writes such a number.
bool ScanInt(const char*& p, std::int32_t& out) {
    while (IsSpace(*p)) ++p;
    const char* start = p;
    const char* q = p;
    if (*q == '+' || *q == '-') ++q;
    if (!std::isdigit(static_cast<unsigned char>(*q))) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(start, &end, 10);
    bool inRange = errno != ERANGE && v >= INT32_MIN && v <= INT32_MAX;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    out = static_cast<std::int32_t>(v);
    p = end;
    return inRange;
}

}  // namespace

bool ParseRecordText(const char* text, KeyMapping& out) {
    out = KeyMapping{};
    if (!text) return false;
    const char* p = text;
    std::int32_t* fields[] = {&out.ctrl, &out.alt, &out.shift, &out.win, &out.key};
    for (std::int32_t* f : fields) {
        if (!ScanInt(p, *f)) return false;
    }
    while (IsSpace(*p)) ++p;
    if (*p == '\0') return false;
    int n = 0;
    while (p[n] != '\0' && !IsSpace(p[n]) && n < kTargetSize - 1) {
        out.target[n] = p[n];
        ++n;
    }
    out.target[n] = '\0';
    // A longer target was cut to fit: keep the part, but report the value as damaged.
    return p[n] == '\0' || IsSpace(p[n]);
}

KeyMapping ParseRecordText(const char* text) {
    KeyMapping m;
    ParseRecordText(text, m);
    return m;
}

std::string ModifierText(int ctrl, int alt, int shift, int win) {
    std::string text;
    if (ctrl) text += "CTRL+";
    if (alt) text += "ALT+";
    if (shift) text += "SHIFT+";
    if (win) text += "WIN+";
    return text;
}

std::string ShortcutText(const KeyMapping& m) {
    std::string text = ModifierText(m.ctrl, m.alt, m.shift, m.win);
    // A damaged record may hold key 0; keep the text free of an embedded NUL.
    if (static_cast<char>(m.key) != '\0') text += static_cast<char>(m.key);
    return text;
}

bool SameShortcut(const KeyMapping& a, const KeyMapping& b) {
    return a.ctrl == b.ctrl && a.alt == b.alt && a.shift == b.shift && a.win == b.win &&
           a.key == b.key;
}

}  // namespace keymap
