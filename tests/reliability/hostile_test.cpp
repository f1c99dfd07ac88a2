// Hostile stored values through the real main window, in process on a scratch HKEY_CURRENT_USER:
// values a hand edit or another program could leave. For each: Runeset starts, shows one row per
// value of the run (a record as usual, anything else as its stored text marked "(invalid)"), any
// row can be removed, and no other value changes by a single byte or its type.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/scratch_hkcu.h"
#include "keymap/keymapping.h"
#include "keymap/store.h"
#include "reliability.h"
#include "runeset/main_dialog.h"
#include "runeset/resource.h"
#include "ui_driver.h"

uidriver::TestApp g_app;

namespace {

using reliability::RawValue;
using reliability::RawValues;
using reliability::Sz;
using uidriver::Script;

RawValue Typed(DWORD type, const std::string& bytes) { return RawValue{type, bytes}; }
RawValue Dword(DWORD v) { return Typed(REG_DWORD, std::string(reinterpret_cast<const char*>(&v), sizeof v)); }

const std::string kBefore = "1 0 0 0 65 before";
const std::string kAfter = "0 1 0 0 90 after";

struct Hostile {
    std::string name;
    RawValues values;
};

// One hostile value between two ordinary records.
Hostile Between(const std::string& name, const RawValue& v) {
    return {name, {{"0", Sz(kBefore)}, {"1", v}, {"2", Sz(kAfter)}}};
}

std::vector<Hostile> Cases() {
    std::vector<Hostile> cases = {
        Between("empty string", Sz("")),
        Between("empty data (0 bytes)", Typed(REG_SZ, "")),
        Between("only spaces", Sz("      ")),
        Between("four integers", Sz("1 1 0 0")),
        Between("huge integers", Sz("99999999999 1 0 0 -99999999999999999999 notepad")),
        Between("negative key code", Sz("1 1 0 0 -5 notepad")),
        Between("key code over 255", Sz("1 1 0 0 300 notepad")),
        Between("64 KiB string", Sz("1 1 0 0 78 " + std::string(65536 - 11, 'x'))),
        Between("300-character target", Sz("1 1 0 0 78 c:\\" + std::string(297, 'a'))),
        Between("embedded NUL", Typed(REG_SZ, std::string("1 1 0 0 78 notepad\0tail\0", 24))),
        Between("REG_DWORD", Dword(0x41)),
        Between("REG_DWORD 0", Dword(0)),
        Between("REG_BINARY record without a terminator", Typed(REG_BINARY, "0 0 1 1 53 eject.cd.tray")),
        Between("REG_BINARY bytes", Typed(REG_BINARY, std::string("\xff\x01\x80\x7f", 4))),
        Between("REG_EXPAND_SZ", Typed(REG_EXPAND_SZ, std::string("0 0 0 0 81 %WINDIR%\\notepad.exe\0", 32))),
        Between("REG_MULTI_SZ", Typed(REG_MULTI_SZ, std::string("1 1 0 0 78 notepad\0second\0\0", 27))),
        Between("tabs and a trailing word", Sz("1\t1\t0\t0\t78\tnotepad extra words")),
    };
    cases.push_back({"names 00, -1, \" 1\", \"1 \"",
                     {{"0", Sz(kBefore)}, {"1", Sz("0 0 0 0 66 b")}, {"2", Sz(kAfter)}, {"00", Sz("0 0 0 0 67 zero-zero")},
                      {"-1", Sz("0 0 0 0 67 minus-one")}, {" 1", Sz("0 0 0 0 67 space-one")},
                      {"1 ", Sz("0 0 0 0 67 one-space")}}});
    cases.push_back({"gaps", {{"0", Sz(kBefore)}, {"1", Sz(kAfter)}, {"3", Sz("0 0 0 0 68 after-gap")},
                              {"7", Sz("0 0 0 0 69 further")}}});
    RawValues many;
    for (int i = 0; i < 1000; ++i) many[std::to_string(i)] = Sz("0 0 1 0 " + std::to_string(65 + i % 26) + " r" + std::to_string(i));
    cases.push_back({"1,000 values", many});
    return cases;
}

// What the row of a stored text shows: target and shortcut, or the text and "(invalid)".
std::pair<std::string, std::string> ExpectedRow(const std::string& text) {
    keymap::KeyMapping m;
    if (!keymap::ParseRecordText(text.c_str(), m)) return {text, "(invalid)"};
    std::string target = m.target;
    for (char& c : target)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return {target, keymap::ShortcutText(m)};
}

// `before` with run row `row` removed: later run values move down unchanged, others stay.
RawValues WithoutRow(const RawValues& before, int row) {
    RawValues after = before;
    int n = static_cast<int>(reliability::RunTexts(before).size());
    for (int i = row; i < n - 1; ++i) after[std::to_string(i)] = before.at(std::to_string(i + 1));
    after.erase(std::to_string(n - 1));
    return after;
}

class Hostiles : public runetest::ScratchHkcuTest {};

TEST_F(Hostiles, RunesetStartsShowsEveryValueAndRemovesAnyRowLosingNothingElse) {
    long long values = 0, rows = 0, removals = 0, violations = 0;
    for (const Hostile& h : Cases()) {
        SCOPED_TRACE(h.name);
        const std::vector<std::string> run = reliability::RunTexts(h.values);
        const int n = static_cast<int>(run.size());
        const int shown = std::min(n, kMaxRecords);
        std::vector<int> picks = {0, 1, shown - 1};
        long long bad = 0;
        for (size_t p = 0; p < picks.size(); ++p) {
            const int row = picks[p];
            if (row < 0 || (p > 0 && (row == picks[p - 1] || row == picks[0]))) continue;
            ASSERT_TRUE(reliability::Replace(h.values));
            CRunesetDlg dialog;
            bool removed = false;
            uidriver::RunMainDialog(dialog, [&](Script& s) {
                HWND main = s.MainDialog(false);
                ASSERT_NE(main, nullptr);
                // More than 100 values: the user is told at every load; that is all.
                if (n > kMaxRecords) s.ExpectMessageBox(main);
                ASSERT_NE(s.MainDialog(true), nullptr);
                HWND list = GetDlgItem(main, IDC_SHORTCUT_LIST);
                if (s.ListCount(list) != shown) {
                    ++bad;
                    ADD_FAILURE() << s.ListCount(list) << " rows for " << shown << " values";
                    return;
                }
                if (p == 0) {
                    for (int i = 0; i < shown; ++i) {
                        const auto want = ExpectedRow(run[static_cast<size_t>(i)]);
                        const std::string got = s.ListText(list, i, 0);
                        // The driver reads at most 1023 characters of a longer text.
                        if (got != want.first.substr(0, 1023) || s.ListText(list, i, 1) != want.second) {
                            ++bad;
                            ADD_FAILURE() << "row " << i << " shows \"" << got.substr(0, 80) << "\" (" << got.size() << " characters)";
                        }
                        ++rows;
                    }
                }
                s.SelectRows(list, {row});
                s.Click(main, IDC_REMOVE);
                if (n > kMaxRecords) s.ExpectMessageBox(main);
                removed = s.WaitUntil([&] { return s.ListCount(list) == std::min(n - 1, kMaxRecords); });
                s.Click(main, IDOK);
            });
            if (!removed) continue;
            ++removals;
            const RawValues after = reliability::Snapshot();
            if (after != WithoutRow(h.values, row)) {
                ++bad;
                ADD_FAILURE() << "removing row " << row << " changed another value";
            }
        }
        ++values;
        violations += bad;
        reliability::Figure("hostile", h.name, shown, bad);
    }
    reliability::Figure("hostile-total", "hostile stored values", values, violations,
                        std::to_string(rows) + " rows checked, " + std::to_string(removals) + " rows removed");
    EXPECT_EQ(violations, 0);
}

}  // namespace
