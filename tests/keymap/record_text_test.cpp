#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "keymap/keymapping.h"

namespace keymap {
namespace {

KeyMapping Make(int ctrl, int alt, int shift, int win, int key, const char* target) {
    KeyMapping m;
    m.ctrl = ctrl;
    m.alt = alt;
    m.shift = shift;
    m.win = win;
    m.key = key;
    std::strncpy(m.target, target, sizeof m.target - 1);
    return m;
}

void ExpectSameRecord(const KeyMapping& a, const KeyMapping& b) {
    EXPECT_EQ(a.ctrl, b.ctrl);
    EXPECT_EQ(a.alt, b.alt);
    EXPECT_EQ(a.shift, b.shift);
    EXPECT_EQ(a.win, b.win);
    EXPECT_EQ(a.key, b.key);
    EXPECT_STREQ(a.target, b.target);
}

struct Example {
    KeyMapping mapping;
    const char* record;
    const char* shortcut;
};

const Example kExamples[] = {
    {Make(1, 1, 0, 0, 'N', "notepad"), "1 1 0 0 78 notepad", "CTRL+ALT+N"},
    {Make(0, 0, 1, 1, '5', "eject.cd.tray"), "0 0 1 1 53 eject.cd.tray", "SHIFT+WIN+5"},
    {Make(0, 0, 0, 0, 'Q', "C:\\PROGRA~1\\TOOL.EXE"), "0 0 0 0 81 C:\\PROGRA~1\\TOOL.EXE", "Q"},
    {Make(1, 1, 1, 1, '`', "standby"), "1 1 1 1 96 standby", "CTRL+ALT+SHIFT+WIN+`"},
};

TEST(RecordText, ExamplesFormatParseAndShow) {
    for (const Example& e : kExamples) {
        SCOPED_TRACE(e.record);
        EXPECT_EQ(FormatRecordText(e.mapping), e.record);
        KeyMapping parsed;
        EXPECT_TRUE(ParseRecordText(e.record, parsed));
        ExpectSameRecord(parsed, e.mapping);
        EXPECT_EQ(ShortcutText(e.mapping), e.shortcut);
        EXPECT_EQ(ShortcutText(parsed), e.shortcut);
    }
}

TEST(RecordText, ScanfRulesForWhiteSpaceSignsAndExtraWords) {
    struct Case {
        const char* text;
        KeyMapping expected;
    } cases[] = {
        {"1 1 0 0 78 notepad and more words", Make(1, 1, 0, 0, 78, "notepad")},
        {"  1\t1  0\r\n0 78\t notepad  ", Make(1, 1, 0, 0, 78, "notepad")},
        {"+1 -0 0 0 -23 C:\\X~1\\A.EXE", Make(1, 0, 0, 0, -23, "C:\\X~1\\A.EXE")},
        {"0 0 0 0 65 a\tb", Make(0, 0, 0, 0, 65, "a")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        KeyMapping parsed;
        EXPECT_TRUE(ParseRecordText(c.text, parsed));
        ExpectSameRecord(parsed, c.expected);
    }
}

TEST(RecordText, NegativeKeyFromASignedCharRoundTrips) {
    // A character above 127 taken as a signed 8-bit value, e.g. 0xE9.
    KeyMapping m = Make(1, 0, 0, 0, static_cast<signed char>('\xE9'), "x");
    EXPECT_EQ(FormatRecordText(m), "1 0 0 0 -23 x");
    ExpectSameRecord(ParseRecordText("1 0 0 0 -23 x"), m);
}

TEST(RecordText, LongestRecordFitsItsBound) {
    KeyMapping m = Make(1, 1, 1, 1, -128, "");
    std::memset(m.target, 'T', sizeof m.target - 1);
    std::string text = FormatRecordText(m);
    EXPECT_EQ(text.size(), static_cast<size_t>(kMaxRecordText));
    ExpectSameRecord(ParseRecordText(text.c_str()), m);
}

TEST(RecordText, UnterminatedTargetBufferIsNeverReadPast) {
    KeyMapping m = Make(0, 0, 0, 0, 65, "");
    std::memset(m.target, 'Z', sizeof m.target);  // no NUL at all
    EXPECT_EQ(FormatRecordText(m), "0 0 0 0 65 " + std::string(kTargetSize, 'Z'));
}

// Damaged or hand-edited values: every field is still defined and the parse says so.
TEST(RecordText, MalformedTextsLeaveEveryFieldDefinedAndReturnFalse) {
    const std::string longTarget(300, 'L');
    const std::string hugeTarget = "0 0 0 0 65 " + longTarget;
    struct Case {
        std::string text;
        KeyMapping expected;
    } cases[] = {
        {"", Make(0, 0, 0, 0, 0, "")},
        {"   \t ", Make(0, 0, 0, 0, 0, "")},
        {"1 1 0 0", Make(1, 1, 0, 0, 0, "")},
        {"1 1 0 0 78", Make(1, 1, 0, 0, 78, "")},
        {"1 1 0 0 78   ", Make(1, 1, 0, 0, 78, "")},
        {"notepad", Make(0, 0, 0, 0, 0, "")},
        {"1 1 x 0 78 notepad", Make(1, 1, 0, 0, 0, "")},
        {"1 1 0 0 N notepad", Make(1, 1, 0, 0, 0, "")},
        {"- 1 0 0 78 notepad", Make(0, 0, 0, 0, 0, "")},
        {"99999999999999999999 1 0 0 78 notepad", Make(INT32_MAX, 0, 0, 0, 0, "")},
        {"1 1 0 0 -99999999999 notepad", Make(1, 1, 0, 0, INT32_MIN, "")},
        {hugeTarget, Make(0, 0, 0, 0, 65, longTarget.substr(0, 255).c_str())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text: \"" + c.text + "\"");
        KeyMapping parsed = Make(7, 7, 7, 7, 7, "stale");  // nothing of this may survive
        EXPECT_FALSE(ParseRecordText(c.text.c_str(), parsed));
        ExpectSameRecord(parsed, c.expected);
        EXPECT_EQ(parsed.target[kTargetSize - 1], '\0');
    }
    KeyMapping fromNull = Make(7, 7, 7, 7, 7, "stale");
    EXPECT_FALSE(ParseRecordText(nullptr, fromNull));
    ExpectSameRecord(fromNull, KeyMapping{});
}

TEST(ShortcutText, ModifierPrefixesInFixedOrder) {
    struct Case {
        int ctrl, alt, shift, win;
        const char* text;
    } cases[] = {
        {0, 0, 0, 0, ""},           {1, 0, 0, 0, "CTRL+"},       {0, 1, 0, 0, "ALT+"},
        {0, 0, 1, 0, "SHIFT+"},     {0, 0, 0, 1, "WIN+"},        {0, 1, 1, 0, "ALT+SHIFT+"},
        {1, 0, 0, 1, "CTRL+WIN+"},  {1, 1, 1, 1, "CTRL+ALT+SHIFT+WIN+"},
        {2, -1, 0, 5, "CTRL+ALT+WIN+"},  // any nonzero flag counts as set
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ModifierText(c.ctrl, c.alt, c.shift, c.win), c.text);
        EXPECT_EQ(ShortcutText(Make(c.ctrl, c.alt, c.shift, c.win, 'K', "t")),
                  std::string(c.text) + "K");
    }
}

TEST(ShortcutText, DamagedKeyZeroAddsNoNulCharacter) {
    std::string text = ShortcutText(Make(1, 0, 0, 0, 0, "t"));
    EXPECT_EQ(text, "CTRL+");
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST(SameShortcut, ComparesModifiersAndKeyButNotTarget) {
    const KeyMapping base = Make(1, 1, 0, 0, 'N', "notepad");
    struct Case {
        KeyMapping other;
        bool same;
    } cases[] = {
        {Make(1, 1, 0, 0, 'N', "notepad"), true},
        {Make(1, 1, 0, 0, 'N', "C:\\OTHER~1\\X.EXE"), true},
        {Make(0, 1, 0, 0, 'N', "notepad"), false},
        {Make(1, 0, 0, 0, 'N', "notepad"), false},
        {Make(1, 1, 1, 0, 'N', "notepad"), false},
        {Make(1, 1, 0, 1, 'N', "notepad"), false},
        {Make(1, 1, 0, 0, 'M', "notepad"), false},
        {Make(1, 1, 0, 0, 'n', "notepad"), false},  // 'A' and 'a' are different keys
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FormatRecordText(c.other));
        EXPECT_EQ(SameShortcut(base, c.other), c.same);
        EXPECT_EQ(SameShortcut(c.other, base), c.same);
    }
}

}  // namespace
}  // namespace keymap
