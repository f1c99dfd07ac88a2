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

using reliability::Hostile;

const std::string kBefore = reliability::kHostileBefore;
const std::string kAfter = reliability::kHostileAfter;

std::vector<Hostile> Cases() { return reliability::HostileCorpus(); }

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
